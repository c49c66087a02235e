#pragma once

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

#include <optional>
#include <vector>

class UserDefaultsStore;

namespace GlobalShortcuts {

class Notifications;
class ShortcutRegistry;
struct StoredShortcut;

// Reading and writing the binding of each name. Every change moves the name's hot key along (unregistering
// the old shortcut unless another name still uses it, registering the new one when the name has handlers)
// and is announced through Notifications::shortcutByNameDidChange. Without a store nothing is bound and
// nothing changes. Main thread only.
class ShortcutStorage final {
public:
    ShortcutStorage(UserDefaultsStore* defaults, ShortcutRegistry& registry, Notifications& notifications);

    // Writes the name's initial shortcut when nothing at all is stored for it yet, so that a binding the
    // user cleared never comes back.
    void introduce(const Name& name);

    // The stored shortcut; nothing when the binding is disabled or not set.
    std::optional<Shortcut> getShortcut(const Name& name) const;
    // A shortcut is stored; nothing disables a name with an initial shortcut and removes any other binding.
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    // Each name gets back its initial shortcut, or no binding at all.
    void reset(const std::vector<Name>& names);
    // Resets every name with handlers.
    void resetAll();

    void userDefaultsSet(const Name& name, const Shortcut& shortcut);
    void userDefaultsDisable(const Name& name);
    void userDefaultsRemove(const Name& name);
    void userDefaultsDidChange(const Name& name);

private:
    StoredShortcut stored(const Name& name) const;
    void releaseOldShortcut(const Name& name);

    UserDefaultsStore* m_defaults;
    ShortcutRegistry& m_registry;
    Notifications& m_notifications;
};

} // namespace GlobalShortcuts
