#include "Platform/Simulated/UserDefaultsStoreSimulated.h"

std::optional<DefaultsValue> UserDefaultsStoreSimulated::value(const QString& domain, const QString& key) const
{
    const auto d = m_domains.find(domain);
    if (d == m_domains.end())
        return std::nullopt;
    const auto v = d->second.find(key);
    if (v == d->second.end())
        return std::nullopt;
    return v->second;
}

void UserDefaultsStoreSimulated::setValue(const QString& domain, const QString& key, const DefaultsValue& value)
{
    m_domains[domain].insert_or_assign(key, value);
    ++m_writes[{ domain, key }];
}

void UserDefaultsStoreSimulated::removeValue(const QString& domain, const QString& key)
{
    if (auto d = m_domains.find(domain); d != m_domains.end())
        d->second.erase(key);
    ++m_writes[{ domain, key }];
}

std::map<QString, DefaultsValue> UserDefaultsStoreSimulated::values(const QString& domain) const
{
    const auto d = m_domains.find(domain);
    return d == m_domains.end() ? std::map<QString, DefaultsValue> {} : d->second;
}

int UserDefaultsStoreSimulated::writeCount(const QString& key, const QString& domain) const
{
    const auto w = m_writes.find({ domain, key });
    return w == m_writes.end() ? 0 : w->second;
}
