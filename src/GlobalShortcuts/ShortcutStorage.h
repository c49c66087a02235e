#pragma once

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

#include <optional>
#include <vector>

// Reading and writing the binding of each name. Every change moves the name's hot key along (unregistering
// the old shortcut unless another name still uses it, registering the new one when the name has handlers)
// and is announced through Notifications::shortcutByNameDidChange. Main thread only.
namespace GlobalShortcuts {

// The stored shortcut; nothing when the binding is disabled or not set.
std::optional<Shortcut> getShortcut(const Name& name);
// A shortcut is stored; nothing disables a name with an initial shortcut and removes any other binding.
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
// Each name gets back its initial shortcut, or no binding at all.
void reset(const std::vector<Name>& names);
void resetAll();

void userDefaultsSet(const Name& name, const Shortcut& shortcut);
void userDefaultsDisable(const Name& name);
void userDefaultsRemove(const Name& name);
void userDefaultsDidChange(const Name& name);

} // namespace GlobalShortcuts
