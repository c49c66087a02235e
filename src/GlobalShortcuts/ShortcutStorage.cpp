#include "GlobalShortcuts/ShortcutStorage.h"

#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/StoredShortcut.h"
#include "Platform/UserDefaultsStore.h"

namespace GlobalShortcuts {
namespace {

UserDefaultsStore* store()
{
    return services().defaults;
}

StoredShortcut stored(const Name& name)
{
    auto* defaults = store();
    return defaults ? StoredShortcut::decode(defaults->object(name.storageKey())) : StoredShortcut {};
}

// The old binding's hot key goes unless another enabled name with handlers still needs it.
void releaseOldShortcut(const Name& name)
{
    const auto old = stored(name);
    if (old.state == StoredShortcut::State::Shortcut && !isShortcutActive(*old.shortcut, name))
        unregisterShortcut(*old.shortcut);
}

} // namespace

std::optional<Shortcut> getShortcut(const Name& name)
{
    return stored(name).shortcut;
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name)
{
    if (shortcut)
        userDefaultsSet(name, *shortcut);
    else if (name.initialShortcut)
        userDefaultsDisable(name);
    else
        userDefaultsRemove(name);
}

void reset(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        if (name.initialShortcut)
            userDefaultsSet(name, *name.initialShortcut);
        else
            userDefaultsRemove(name);
    }
}

void resetAll()
{
    const auto names = storedNames();
    reset(std::vector<Name>(names.begin(), names.end()));
}

void userDefaultsSet(const Name& name, const Shortcut& shortcut)
{
    auto* defaults = store();
    if (!defaults)
        return;
    const auto encoded = StoredShortcut::encode(shortcut);
    releaseOldShortcut(name);
    defaults->set(name.storageKey(), encoded);
    registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void userDefaultsDisable(const Name& name)
{
    auto* defaults = store();
    if (!defaults)
        return;
    const auto value = defaults->object(name.storageKey());
    if (value && value->kind() == DefaultsValue::Kind::Boolean && value->asBoolean() == false)
        return;
    releaseOldShortcut(name);
    defaults->set(name.storageKey(), false);
    registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void userDefaultsRemove(const Name& name)
{
    auto* defaults = store();
    if (!defaults || !defaults->object(name.storageKey()))
        return;
    releaseOldShortcut(name);
    defaults->removeValue(UserDefaultsStore::appDomain, name.storageKey());
    registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void userDefaultsDidChange(const Name& name)
{
    Q_EMIT Notifications::shared().shortcutByNameDidChange(name);
}

} // namespace GlobalShortcuts
