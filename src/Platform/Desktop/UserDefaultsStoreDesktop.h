#pragma once

#include "Platform/UserDefaultsStore.h"

// One JSON file per domain ("<folder>/<domain>.json"), loaded on first use and rewritten atomically on
// every change. Value kinds survive the round trip exactly (see DefaultsValue::toJson).
class UserDefaultsStoreDesktop final : public UserDefaultsStore {
public:
    explicit UserDefaultsStoreDesktop(QString folder);

    std::optional<DefaultsValue> value(const QString& domain, const QString& key) const override;
    void setValue(const QString& domain, const QString& key, const DefaultsValue& value) override;
    void removeValue(const QString& domain, const QString& key) override;
    std::map<QString, DefaultsValue> values(const QString& domain) const override;

    QString filePath(const QString& domain) const;

private:
    std::map<QString, DefaultsValue>& domainValues(const QString& domain) const;
    void save(const QString& domain);

    QString m_folder;
    mutable std::map<QString, std::map<QString, DefaultsValue>> m_cache;
    mutable std::map<QString, bool> m_unreadable;
};
