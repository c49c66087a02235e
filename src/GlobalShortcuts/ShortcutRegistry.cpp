#include "GlobalShortcuts/ShortcutRegistry.h"

#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/HotKey.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "Platform/HotKeyService.h"

#include <QUuid>

#include <map>
#include <memory>
#include <unordered_map>

namespace GlobalShortcuts {
namespace {

using StreamHandlers = std::map<QUuid, std::function<void(EventType)>>;

struct Registry {
    std::unordered_map<Shortcut, std::shared_ptr<HotKey>> hotKeys;
    std::unordered_set<Name> disabledNames;
    std::unordered_map<Name, std::vector<Action>> keyDownHandlers;
    std::unordered_map<Name, std::vector<Action>> keyUpHandlers;
    // One entry per live stream; each stream's handler sees both kinds of event.
    std::unordered_map<Name, StreamHandlers> streamHandlers;
    std::unordered_map<Shortcut, StreamHandlers> streamShortcutHandlers;
    bool isEnabled = true;
    bool isPaused = false;
};

// Never destroyed: at exit the hot keys it holds would call on services that are already gone.
Registry& registry()
{
    static auto* state = new Registry;
    return *state;
}

template <typename Map, typename Key> bool hasEntries(const Map& map, const Key& key)
{
    const auto found = map.find(key);
    return found != map.end() && !found->second.empty();
}

bool hasHandlers(const Name& name)
{
    const auto& r = registry();
    return hasEntries(r.keyDownHandlers, name) || hasEntries(r.keyUpHandlers, name)
        || hasEntries(r.streamHandlers, name);
}

bool isDisabled(const Name& name)
{
    return registry().disabledNames.contains(name);
}

void updateCenter()
{
    if (auto* center = HotKeyCenter::existing())
        center->setEnabled(registry().isEnabled && !registry().isPaused);
}

void dispatch(const Shortcut& shortcut, EventType type)
{
    auto& r = registry();
    if (r.isPaused)
        return;
    // Handlers may add or remove handlers, so each list is copied before it is walked.
    std::vector<Action> actions;
    const auto& handlers = type == EventType::KeyDown ? r.keyDownHandlers : r.keyUpHandlers;
    for (const auto& [name, list] : handlers)
        if (!isDisabled(name) && getShortcut(name) == shortcut)
            actions.insert(actions.end(), list.begin(), list.end());
    for (const auto& [name, streams] : r.streamHandlers)
        if (!isDisabled(name) && getShortcut(name) == shortcut)
            for (const auto& [id, handler] : streams)
                actions.push_back([handler = handler, type] { handler(type); });
    if (const auto found = r.streamShortcutHandlers.find(shortcut); found != r.streamShortcutHandlers.end())
        for (const auto& [id, handler] : found->second)
            actions.push_back([handler = handler, type] { handler(type); });
    for (const auto& action : actions)
        action();
}

void unregisterUnlessActive(const Name& name)
{
    if (const auto shortcut = getShortcut(name); shortcut && !isShortcutActive(*shortcut, name))
        unregisterShortcut(*shortcut);
}

void addHandler(std::unordered_map<Name, std::vector<Action>>& map, const Name& name, Action action)
{
    map[name].push_back(std::move(action));
    registerIfNeeded(name);
}

// Streams of a name or of a fixed shortcut differ only in where their handler is kept and what holds
// the hot key.
EventStream streamFor(const Name& name, std::function<void(EventType)> handler)
{
    const auto id = QUuid::createUuid();
    registry().streamHandlers[name][id] = std::move(handler);
    registerIfNeeded(name);
    return EventStream([name, id] {
        auto& streams = registry().streamHandlers;
        if (auto found = streams.find(name); found != streams.end()) {
            found->second.erase(id);
            if (found->second.empty())
                streams.erase(found);
        }
        unregisterUnlessActive(name);
    });
}

EventStream streamFor(const Shortcut& shortcut, std::function<void(EventType)> handler)
{
    const auto id = QUuid::createUuid();
    registry().streamShortcutHandlers[shortcut][id] = std::move(handler);
    registerIfNeeded(shortcut);
    return EventStream([shortcut, id] {
        auto& streams = registry().streamShortcutHandlers;
        if (auto found = streams.find(shortcut); found != streams.end()) {
            found->second.erase(id);
            if (found->second.empty())
                streams.erase(found);
        }
        if (!isShortcutActive(shortcut))
            unregisterShortcut(shortcut);
    });
}

// A repeating stream's timer, shared by its key handlers.
struct Repeater {
    std::function<void()> handler;
    std::function<bool(const Shortcut& pressed)> mayRepeat;
    TaskHandle timer;
    bool down = false;

    void schedule(const std::shared_ptr<Repeater>& self, const Shortcut& pressed, double delay)
    {
        auto* scheduler = services().scheduler;
        if (!scheduler)
            return;
        const std::weak_ptr<Repeater> weak = self;
        timer = scheduler->after(delay, [weak, pressed](bool cancelled) {
            const auto repeater = weak.lock();
            if (cancelled || !repeater || !repeater->down)
                return;
            if (!repeater->mayRepeat(pressed)) {
                repeater->down = false;
                return;
            }
            repeater->handler();
            auto* service = services().hotKeys;
            repeater->schedule(repeater, pressed, service ? service->keyRepeatInterval() : 0.1);
        });
    }

    void stop()
    {
        down = false;
        timer.cancel();
    }
};

template <typename Source>
EventStream repeating(const Source& source, const Shortcut& pressedFallback, std::function<void()> handler,
    std::function<bool(const Shortcut&)> mayRepeat, std::function<std::optional<Shortcut>()> currentShortcut)
{
    auto repeater = std::make_shared<Repeater>();
    repeater->handler = std::move(handler);
    repeater->mayRepeat = std::move(mayRepeat);
    auto stream = streamFor(source, [repeater, currentShortcut, pressedFallback](EventType type) {
        if (type == EventType::KeyUp) {
            repeater->stop();
            return;
        }
        repeater->timer.cancel();
        repeater->down = true;
        repeater->handler();
        auto* service = services().hotKeys;
        repeater->schedule(
            repeater, currentShortcut().value_or(pressedFallback), service ? service->keyRepeatDelay() : 0.5);
    });
    return EventStream([repeater, inner = std::make_shared<EventStream>(std::move(stream))] {
        repeater->stop();
        inner->end();
    });
}

} // namespace

void onKeyDown(const Name& name, Action action)
{
    addHandler(registry().keyDownHandlers, name, std::move(action));
}

void onKeyUp(const Name& name, Action action)
{
    addHandler(registry().keyUpHandlers, name, std::move(action));
}

void removeHandler(const Name& name)
{
    registry().keyDownHandlers.erase(name);
    registry().keyUpHandlers.erase(name);
    unregisterUnlessActive(name);
}

void removeAllHandlers()
{
    std::unordered_set<Name> names;
    for (const auto& [name, list] : registry().keyDownHandlers)
        names.insert(name);
    for (const auto& [name, list] : registry().keyUpHandlers)
        names.insert(name);
    for (const auto& name : names)
        removeHandler(name);
}

void disable(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        registry().disabledNames.insert(name);
        unregisterUnlessActive(name);
    }
}

void enable(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        registry().disabledNames.erase(name);
        registerIfNeeded(name);
    }
}

bool isEnabled(const Name& name)
{
    const auto shortcut = getShortcut(name);
    return hasHandlers(name) && shortcut && isRegistered(*shortcut);
}

bool isEnabled()
{
    return registry().isEnabled;
}

void setEnabled(bool enabled)
{
    registry().isEnabled = enabled;
    updateCenter();
}

bool isPaused()
{
    return registry().isPaused;
}

void setPaused(bool paused)
{
    registry().isPaused = paused;
    updateCenter();
}

EventStream events(const Name& name, std::function<void(EventType)> handler)
{
    return streamFor(name, std::move(handler));
}

EventStream events(const Shortcut& shortcut, std::function<void(EventType)> handler)
{
    return streamFor(shortcut, std::move(handler));
}

EventStream events(EventType type, const Name& name, std::function<void()> handler)
{
    return streamFor(name, [type, handler = std::move(handler)](EventType event) {
        if (event == type)
            handler();
    });
}

EventStream events(EventType type, const Shortcut& shortcut, std::function<void()> handler)
{
    return streamFor(shortcut, [type, handler = std::move(handler)](EventType event) {
        if (event == type)
            handler();
    });
}

EventStream repeatingKeyDownEvents(const Name& name, std::function<void()> handler)
{
    return repeating(
        name, Shortcut {}, std::move(handler),
        [name](const Shortcut& pressed) {
            const auto& r = registry();
            return r.isEnabled && !r.isPaused && !isDisabled(name) && hasHandlers(name)
                && isRegistered(pressed) && getShortcut(name) == pressed;
        },
        [name] { return getShortcut(name); });
}

EventStream repeatingKeyDownEvents(const Shortcut& shortcut, std::function<void()> handler)
{
    return repeating(
        shortcut, shortcut, std::move(handler), [](const Shortcut&) { return true; },
        [shortcut]() -> std::optional<Shortcut> { return shortcut; });
}

bool isShortcutActive(const Shortcut& shortcut, const std::optional<Name>& excluding)
{
    const auto& r = registry();
    if (hasEntries(r.streamShortcutHandlers, shortcut))
        return true;
    std::unordered_set<Name> names;
    for (const auto& [name, list] : r.keyDownHandlers)
        names.insert(name);
    for (const auto& [name, list] : r.keyUpHandlers)
        names.insert(name);
    for (const auto& [name, streams] : r.streamHandlers)
        names.insert(name);
    for (const auto& name : names)
        if (name != excluding && hasHandlers(name) && !isDisabled(name) && getShortcut(name) == shortcut)
            return true;
    return false;
}

std::unordered_set<Name> storedNames()
{
    std::unordered_set<Name> names;
    const auto& r = registry();
    for (const auto& map : { &r.keyDownHandlers, &r.keyUpHandlers })
        for (const auto& [name, list] : *map)
            if (!list.empty())
                names.insert(name);
    for (const auto& [name, streams] : r.streamHandlers)
        if (!streams.empty())
            names.insert(name);
    return names;
}

void registerIfNeeded(const Name& name)
{
    if (isDisabled(name) || !hasHandlers(name))
        return;
    if (const auto shortcut = getShortcut(name))
        registerIfNeeded(*shortcut);
}

void registerIfNeeded(const Shortcut& shortcut)
{
    auto& r = registry();
    if (r.hotKeys.contains(shortcut))
        return;
    auto& center = HotKeyCenter::shared();
    auto hotKey = std::make_shared<HotKey>(
        shortcut.carbonKeyCode, shortcut.carbonModifiers, center.nextId(),
        [shortcut] { dispatch(shortcut, EventType::KeyDown); },
        [shortcut] { dispatch(shortcut, EventType::KeyUp); });
    if (!center.registerHotKey(hotKey))
        return;
    const std::weak_ptr<HotKey> weak = hotKey;
    hotKey->onRegistrationFailed = [shortcut, weak] {
        auto& hotKeys = registry().hotKeys;
        if (const auto found = hotKeys.find(shortcut); found != hotKeys.end() && found->second == weak.lock())
            hotKeys.erase(found);
    };
    r.hotKeys.emplace(shortcut, std::move(hotKey));
}

void unregisterShortcut(const Shortcut& shortcut)
{
    // Destroying the hot key releases it; taking it out of the table first keeps its destructor from
    // running while the table is being changed.
    auto& hotKeys = registry().hotKeys;
    if (auto found = hotKeys.find(shortcut); found != hotKeys.end()) {
        const auto hotKey = std::move(found->second);
        hotKeys.erase(found);
    }
}

bool isRegistered(const Shortcut& shortcut)
{
    return registry().hotKeys.contains(shortcut);
}

int hotKeyId(const Shortcut& shortcut)
{
    const auto found = registry().hotKeys.find(shortcut);
    return found == registry().hotKeys.end() ? 0 : found->second->id();
}

void resetRegistry()
{
    auto old = std::exchange(registry(), Registry {});
    old.hotKeys.clear();
}

} // namespace GlobalShortcuts
