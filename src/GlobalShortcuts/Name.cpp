#include "GlobalShortcuts/Name.h"

#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "GlobalShortcuts/StoredShortcut.h"
#include "Platform/UserDefaultsStore.h"

namespace GlobalShortcuts {

Name::Name(QString raw, std::optional<Shortcut> initial)
    : rawValue(std::move(raw))
    , initialShortcut(initial)
{
    if (initialShortcut) {
        auto* defaults = services().defaults;
        if (defaults && !defaults->object(storageKey()))
            defaults->set(storageKey(), StoredShortcut::encode(*initialShortcut));
    }
    createHotKeyCenterSoon();
}

std::optional<Shortcut> Name::shortcut() const
{
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut>& shortcut) const
{
    GlobalShortcuts::setShortcut(shortcut, *this);
}

QString Name::storageKey() const
{
    return QStringLiteral("GlobalShortcuts_") + rawValue;
}

} // namespace GlobalShortcuts
