#pragma once

#include "Foundation/DefaultsValue.h"

#include <QString>

#include <map>
#include <optional>

// The user-defaults store: typed values under plain keys, grouped in domains. The program's own domain is
// `appDomain`; others (the system's screenshot preferences) are only read.
class UserDefaultsStore {
public:
    static inline const QString appDomain = QStringLiteral("com.drimo.copy");

    virtual ~UserDefaultsStore() = default;

    // The stored value, or nothing when the key is absent.
    virtual std::optional<DefaultsValue> value(const QString& domain, const QString& key) const = 0;
    // Stores a value; a failure to persist it is silent (the value still reads back in this process).
    virtual void setValue(const QString& domain, const QString& key, const DefaultsValue& value) = 0;
    virtual void removeValue(const QString& domain, const QString& key) = 0;
    // Every key of a domain with its value; empty for an unknown domain.
    virtual std::map<QString, DefaultsValue> values(const QString& domain) const = 0;

    // Conveniences on the app's domain, read as the store's own typed getters read.
    std::optional<DefaultsValue> object(const QString& key) const { return value(appDomain, key); }
    // False for an absent key.
    bool boolValue(const QString& key) const;
    // Nothing for an absent key or one that holds no string or number.
    std::optional<QString> stringValue(const QString& key) const;
    void set(const QString& key, const DefaultsValue& v) { setValue(appDomain, key, v); }
};
