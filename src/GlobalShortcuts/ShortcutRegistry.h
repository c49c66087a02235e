#pragma once

#include "GlobalShortcuts/EventStream.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

#include <QUuid>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace GlobalShortcuts {

class HotKey;
class HotKeyCenter;
class ShortcutStorage;
struct Services;

enum class EventType { KeyDown, KeyUp };
using Action = std::function<void()>;

// Handlers per name and their dispatch: each shortcut bound to a name with handlers becomes one system
// hot key, shared by every name bound to it, and its key events reach those names' handlers. It owns the
// hot-key centre, made on first need. Main thread only.
class ShortcutRegistry final {
public:
    ShortcutRegistry(const Services& services, const ShortcutStorage& storage);
    ~ShortcutRegistry();
    ShortcutRegistry(const ShortcutRegistry&) = delete;
    ShortcutRegistry& operator=(const ShortcutRegistry&) = delete;

    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);
    // Drops the name's key-down and key-up handlers.
    void removeHandler(const Name& name);
    void removeAllHandlers();

    // Switched-off names keep their handlers but get no events and hold no hot key.
    void disable(const std::vector<Name>& names);
    void enable(const std::vector<Name>& names);
    // Whether the name has handlers and a stored shortcut whose hot key is registered.
    bool isEnabled(const Name& name) const;

    // The global switch.
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled);
    // Set while a recorder records: nothing fires and no hot key is held.
    bool isPaused() const { return m_isPaused; }
    void setPaused(bool paused);

    // Each key down and key up of the name (or of the fixed shortcut) while the stream lives.
    EventStream events(const Name& name, std::function<void(EventType)> handler);
    EventStream events(const Shortcut& shortcut, std::function<void(EventType)> handler);
    EventStream events(EventType type, const Name& name, std::function<void()> handler);
    EventStream events(EventType type, const Shortcut& shortcut, std::function<void()> handler);
    // Once on key down, then after the system's key-repeat delay and at every key-repeat interval until key
    // up. For a name, repeating also stops once dispatch is paused or disabled, the name loses its handlers
    // or its hot key, or its stored shortcut is no longer the one pressed.
    EventStream repeatingKeyDownEvents(const Name& name, std::function<void()> handler);
    EventStream repeatingKeyDownEvents(const Shortcut& shortcut, std::function<void()> handler);

    // Whether some other enabled name with handlers has this shortcut stored, or a fixed-shortcut stream
    // listens to it.
    bool isShortcutActive(
        const Shortcut& shortcut, const std::optional<Name>& excluding = std::nullopt) const;
    // Every name with at least one handler of any kind.
    std::unordered_set<Name> storedNames() const;

    void registerIfNeeded(const Name& name);
    void registerIfNeeded(const Shortcut& shortcut);
    // Lets the shortcut's hot key go, whoever used it.
    void unregisterShortcut(const Shortcut& shortcut);
    // Whether a hot key is held for the shortcut, and its id (0 when none).
    bool isRegistered(const Shortcut& shortcut) const { return m_hotKeys.contains(shortcut); }
    int hotKeyId(const Shortcut& shortcut) const;

    // Made on first use.
    HotKeyCenter& hotKeyCenter();
    HotKeyCenter* existingHotKeyCenter() const { return m_center.get(); }

private:
    using StreamHandlers = std::map<QUuid, std::function<void(EventType)>>;

    bool hasHandlers(const Name& name) const;
    bool isDisabled(const Name& name) const { return m_disabledNames.contains(name); }
    void updateCenter();
    void dispatch(const Shortcut& shortcut, EventType type);
    void unregisterUnlessActive(const Name& name);
    void addHandler(std::unordered_map<Name, std::vector<Action>>& map, const Name& name, Action action);
    EventStream streamFor(const Name& name, std::function<void(EventType)> handler);
    EventStream streamFor(const Shortcut& shortcut, std::function<void(EventType)> handler);
    template <typename Source>
    EventStream repeating(const Source& source, const Shortcut& pressedFallback,
        std::function<void()> handler, std::function<bool(const Shortcut&)> mayRepeat,
        std::function<std::optional<Shortcut>()> current);

    const Services& m_services;
    const ShortcutStorage& m_storage;
    // Declared before the hot keys, which release themselves through it as they go.
    std::unique_ptr<HotKeyCenter> m_center;
    std::unordered_map<Shortcut, std::shared_ptr<HotKey>> m_hotKeys;
    std::unordered_set<Name> m_disabledNames;
    std::unordered_map<Name, std::vector<Action>> m_keyDownHandlers;
    std::unordered_map<Name, std::vector<Action>> m_keyUpHandlers;
    // One entry per live stream; each stream's handler sees both kinds of event.
    std::unordered_map<Name, StreamHandlers> m_streamHandlers;
    std::unordered_map<Shortcut, StreamHandlers> m_streamShortcutHandlers;
    bool m_isEnabled = true;
    bool m_isPaused = false;
    // Streams and repeat timers may outlive the registry; they check this before reaching back.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace GlobalShortcuts
