#include "GlobalShortcuts/ShortcutStorage.h"

#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/StoredShortcut.h"
#include "Platform/UserDefaultsStore.h"

namespace GlobalShortcuts {

ShortcutStorage::ShortcutStorage(
    UserDefaultsStore* defaults, ShortcutRegistry& registry, Notifications& notifications)
    : m_defaults(defaults)
    , m_registry(registry)
    , m_notifications(notifications)
{ }

void ShortcutStorage::introduce(const Name& name)
{
    if (name.initialShortcut && m_defaults && !m_defaults->object(name.storageKey()))
        m_defaults->set(name.storageKey(), StoredShortcut::encode(*name.initialShortcut));
}

StoredShortcut ShortcutStorage::stored(const Name& name) const
{
    return m_defaults ? StoredShortcut::decode(m_defaults->object(name.storageKey())) : StoredShortcut {};
}

// The old binding's hot key goes unless another enabled name with handlers still needs it.
void ShortcutStorage::releaseOldShortcut(const Name& name)
{
    const auto old = stored(name);
    if (old.state == StoredShortcut::State::Shortcut && !m_registry.isShortcutActive(*old.shortcut, name))
        m_registry.unregisterShortcut(*old.shortcut);
}

std::optional<Shortcut> ShortcutStorage::getShortcut(const Name& name) const
{
    return stored(name).shortcut;
}

void ShortcutStorage::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name)
{
    if (shortcut)
        userDefaultsSet(name, *shortcut);
    else if (name.initialShortcut)
        userDefaultsDisable(name);
    else
        userDefaultsRemove(name);
}

void ShortcutStorage::reset(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        if (name.initialShortcut)
            userDefaultsSet(name, *name.initialShortcut);
        else
            userDefaultsRemove(name);
    }
}

void ShortcutStorage::resetAll()
{
    const auto names = m_registry.storedNames();
    reset(std::vector<Name>(names.begin(), names.end()));
}

void ShortcutStorage::userDefaultsSet(const Name& name, const Shortcut& shortcut)
{
    if (!m_defaults)
        return;
    const auto encoded = StoredShortcut::encode(shortcut);
    releaseOldShortcut(name);
    m_defaults->set(name.storageKey(), encoded);
    m_registry.registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void ShortcutStorage::userDefaultsDisable(const Name& name)
{
    if (!m_defaults)
        return;
    const auto value = m_defaults->object(name.storageKey());
    if (value && value->kind() == DefaultsValue::Kind::Boolean && value->asBoolean() == false)
        return;
    releaseOldShortcut(name);
    m_defaults->set(name.storageKey(), false);
    m_registry.registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void ShortcutStorage::userDefaultsRemove(const Name& name)
{
    if (!m_defaults || !m_defaults->object(name.storageKey()))
        return;
    releaseOldShortcut(name);
    m_defaults->removeValue(UserDefaultsStore::appDomain, name.storageKey());
    m_registry.registerIfNeeded(name);
    userDefaultsDidChange(name);
}

void ShortcutStorage::userDefaultsDidChange(const Name& name)
{
    Q_EMIT m_notifications.shortcutByNameDidChange(name);
}

} // namespace GlobalShortcuts
