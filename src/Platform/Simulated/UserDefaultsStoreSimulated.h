#pragma once

#include "Platform/UserDefaultsStore.h"

// An in-memory store that counts writes, so that tests can see a write even when the value is unchanged.
class UserDefaultsStoreSimulated final : public UserDefaultsStore {
public:
    std::optional<DefaultsValue> value(const QString& domain, const QString& key) const override;
    void setValue(const QString& domain, const QString& key, const DefaultsValue& value) override;
    void removeValue(const QString& domain, const QString& key) override;
    std::map<QString, DefaultsValue> values(const QString& domain) const override;

    int writeCount(const QString& key, const QString& domain = appDomain) const;

private:
    std::map<QString, std::map<QString, DefaultsValue>> m_domains;
    std::map<std::pair<QString, QString>, int> m_writes;
};
