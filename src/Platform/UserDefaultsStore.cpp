#include "Platform/UserDefaultsStore.h"

bool UserDefaultsStore::boolValue(const QString& key) const
{
    const auto stored = object(key);
    return stored && stored->boolValue();
}

std::optional<QString> UserDefaultsStore::stringValue(const QString& key) const
{
    const auto stored = object(key);
    return stored ? stored->stringValue() : std::nullopt;
}
