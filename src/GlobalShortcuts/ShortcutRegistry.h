#pragma once

#include "GlobalShortcuts/EventStream.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

// Handlers per name and their dispatch: each shortcut bound to a name with handlers becomes one system
// hot key, shared by every name bound to it, and its key events reach those names' handlers. Main thread
// only.
namespace GlobalShortcuts {

enum class EventType { KeyDown, KeyUp };
using Action = std::function<void()>;

void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
// Drops the name's key-down and key-up handlers.
void removeHandler(const Name& name);
void removeAllHandlers();

// Switched-off names keep their handlers but get no events and hold no hot key.
void disable(const std::vector<Name>& names);
void enable(const std::vector<Name>& names);
// Whether the name has handlers and a stored shortcut whose hot key is registered.
bool isEnabled(const Name& name);

// The global switch.
bool isEnabled();
void setEnabled(bool enabled);
// Set while a recorder records: nothing fires and no hot key is held.
bool isPaused();
void setPaused(bool paused);

// Each key down and key up of the name (or of the fixed shortcut) while the stream lives.
EventStream events(const Name& name, std::function<void(EventType)> handler);
EventStream events(const Shortcut& shortcut, std::function<void(EventType)> handler);
EventStream events(EventType type, const Name& name, std::function<void()> handler);
EventStream events(EventType type, const Shortcut& shortcut, std::function<void()> handler);
// Once on key down, then after the system's key-repeat delay and at every key-repeat interval until key up.
// For a name, repeating also stops once dispatch is paused or disabled, the name loses its handlers or
// its hot key, or its stored shortcut is no longer the one pressed.
EventStream repeatingKeyDownEvents(const Name& name, std::function<void()> handler);
EventStream repeatingKeyDownEvents(const Shortcut& shortcut, std::function<void()> handler);

// Whether some other enabled name with handlers has this shortcut stored, or a fixed-shortcut stream
// listens to it.
bool isShortcutActive(const Shortcut& shortcut, const std::optional<Name>& excluding = std::nullopt);
// Every name with at least one handler of any kind.
std::unordered_set<Name> storedNames();

void registerIfNeeded(const Name& name);
void registerIfNeeded(const Shortcut& shortcut);
// Lets the shortcut's hot key go, whoever used it.
void unregisterShortcut(const Shortcut& shortcut);
// Whether a hot key is held for the shortcut, and its id (0 when none).
bool isRegistered(const Shortcut& shortcut);
int hotKeyId(const Shortcut& shortcut);

// Forgets every handler and hot key and restores the switches; part of installing the services.
void resetRegistry();

} // namespace GlobalShortcuts
