#include "GlobalShortcuts/ShortcutRegistry.h"

#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/HotKey.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "Platform/HotKeyService.h"

namespace GlobalShortcuts {
namespace {

template <typename Map, typename Key> bool hasEntries(const Map& map, const Key& key)
{
    const auto found = map.find(key);
    return found != map.end() && !found->second.empty();
}

// Ends one stream: its handler goes, and so does the map entry once it holds no stream.
template <typename Map, typename Key> void dropStream(Map& map, const Key& key, const QUuid& id)
{
    if (auto found = map.find(key); found != map.end()) {
        found->second.erase(id);
        if (found->second.empty())
            map.erase(found);
    }
}

// A repeating stream's timer, shared by its key handlers.
struct Repeater {
    Scheduler* scheduler = nullptr;
    HotKeyService* service = nullptr;
    std::function<void()> handler;
    std::function<bool(const Shortcut& pressed)> mayRepeat;
    TaskHandle timer;
    bool down = false;

    void schedule(const std::shared_ptr<Repeater>& self, const Shortcut& pressed, double delay)
    {
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
            repeater->schedule(
                repeater, pressed, repeater->service ? repeater->service->keyRepeatInterval() : 0.1);
        });
    }

    void stop()
    {
        down = false;
        timer.cancel();
    }
};

} // namespace

ShortcutRegistry::ShortcutRegistry(const Services& services, const ShortcutStorage& storage)
    : m_services(services)
    , m_storage(storage)
{ }

ShortcutRegistry::~ShortcutRegistry() = default;

bool ShortcutRegistry::hasHandlers(const Name& name) const
{
    return hasEntries(m_keyDownHandlers, name) || hasEntries(m_keyUpHandlers, name)
        || hasEntries(m_streamHandlers, name);
}

void ShortcutRegistry::updateCenter()
{
    if (m_center)
        m_center->setEnabled(m_isEnabled && !m_isPaused);
}

HotKeyCenter& ShortcutRegistry::hotKeyCenter()
{
    if (!m_center)
        m_center = std::make_unique<HotKeyCenter>(m_services.hotKeys, m_isEnabled && !m_isPaused);
    return *m_center;
}

void ShortcutRegistry::dispatch(const Shortcut& shortcut, EventType type)
{
    if (m_isPaused)
        return;
    // Handlers may add or remove handlers, so each list is copied before it is walked.
    std::vector<Action> actions;
    const auto& handlers = type == EventType::KeyDown ? m_keyDownHandlers : m_keyUpHandlers;
    for (const auto& [name, list] : handlers)
        if (!isDisabled(name) && m_storage.getShortcut(name) == shortcut)
            actions.insert(actions.end(), list.begin(), list.end());
    for (const auto& [name, streams] : m_streamHandlers)
        if (!isDisabled(name) && m_storage.getShortcut(name) == shortcut)
            for (const auto& [id, handler] : streams)
                actions.push_back([handler = handler, type] { handler(type); });
    if (const auto found = m_streamShortcutHandlers.find(shortcut); found != m_streamShortcutHandlers.end())
        for (const auto& [id, handler] : found->second)
            actions.push_back([handler = handler, type] { handler(type); });
    for (const auto& action : actions)
        action();
}

void ShortcutRegistry::unregisterUnlessActive(const Name& name)
{
    if (const auto shortcut = m_storage.getShortcut(name); shortcut && !isShortcutActive(*shortcut, name))
        unregisterShortcut(*shortcut);
}

void ShortcutRegistry::addHandler(
    std::unordered_map<Name, std::vector<Action>>& map, const Name& name, Action action)
{
    map[name].push_back(std::move(action));
    registerIfNeeded(name);
}

// Streams of a name or of a fixed shortcut differ only in where their handler is kept and what holds
// the hot key.
EventStream ShortcutRegistry::streamFor(const Name& name, std::function<void(EventType)> handler)
{
    const auto id = QUuid::createUuid();
    m_streamHandlers[name][id] = std::move(handler);
    registerIfNeeded(name);
    return EventStream([this, alive = std::weak_ptr<bool>(m_alive), name, id] {
        if (!alive.lock())
            return;
        dropStream(m_streamHandlers, name, id);
        unregisterUnlessActive(name);
    });
}

EventStream ShortcutRegistry::streamFor(const Shortcut& shortcut, std::function<void(EventType)> handler)
{
    const auto id = QUuid::createUuid();
    m_streamShortcutHandlers[shortcut][id] = std::move(handler);
    registerIfNeeded(shortcut);
    return EventStream([this, alive = std::weak_ptr<bool>(m_alive), shortcut, id] {
        if (!alive.lock())
            return;
        dropStream(m_streamShortcutHandlers, shortcut, id);
        if (!isShortcutActive(shortcut))
            unregisterShortcut(shortcut);
    });
}

template <typename Source>
EventStream ShortcutRegistry::repeating(const Source& source, const Shortcut& pressedFallback,
    std::function<void()> handler, std::function<bool(const Shortcut&)> mayRepeat,
    std::function<std::optional<Shortcut>()> current)
{
    auto repeater = std::make_shared<Repeater>();
    repeater->scheduler = m_services.scheduler;
    repeater->service = m_services.hotKeys;
    repeater->handler = std::move(handler);
    repeater->mayRepeat = [alive = std::weak_ptr<bool>(m_alive), mayRepeat = std::move(mayRepeat)](
                              const Shortcut& pressed) { return alive.lock() && mayRepeat(pressed); };
    auto stream = streamFor(source, [repeater, current, pressedFallback](EventType type) {
        if (type == EventType::KeyUp) {
            repeater->stop();
            return;
        }
        repeater->timer.cancel();
        repeater->down = true;
        repeater->handler();
        repeater->schedule(repeater, current().value_or(pressedFallback),
            repeater->service ? repeater->service->keyRepeatDelay() : 0.5);
    });
    return EventStream([repeater, inner = std::make_shared<EventStream>(std::move(stream))] {
        repeater->stop();
        inner->end();
    });
}

void ShortcutRegistry::onKeyDown(const Name& name, Action action)
{
    addHandler(m_keyDownHandlers, name, std::move(action));
}

void ShortcutRegistry::onKeyUp(const Name& name, Action action)
{
    addHandler(m_keyUpHandlers, name, std::move(action));
}

void ShortcutRegistry::removeHandler(const Name& name)
{
    m_keyDownHandlers.erase(name);
    m_keyUpHandlers.erase(name);
    unregisterUnlessActive(name);
}

void ShortcutRegistry::removeAllHandlers()
{
    std::unordered_set<Name> names;
    for (const auto& [name, list] : m_keyDownHandlers)
        names.insert(name);
    for (const auto& [name, list] : m_keyUpHandlers)
        names.insert(name);
    for (const auto& name : names)
        removeHandler(name);
}

void ShortcutRegistry::disable(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        m_disabledNames.insert(name);
        unregisterUnlessActive(name);
    }
}

void ShortcutRegistry::enable(const std::vector<Name>& names)
{
    for (const auto& name : names) {
        m_disabledNames.erase(name);
        registerIfNeeded(name);
    }
}

bool ShortcutRegistry::isEnabled(const Name& name) const
{
    const auto shortcut = m_storage.getShortcut(name);
    return hasHandlers(name) && shortcut && isRegistered(*shortcut);
}

void ShortcutRegistry::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
    updateCenter();
}

void ShortcutRegistry::setPaused(bool paused)
{
    m_isPaused = paused;
    updateCenter();
}

EventStream ShortcutRegistry::events(const Name& name, std::function<void(EventType)> handler)
{
    return streamFor(name, std::move(handler));
}

EventStream ShortcutRegistry::events(const Shortcut& shortcut, std::function<void(EventType)> handler)
{
    return streamFor(shortcut, std::move(handler));
}

EventStream ShortcutRegistry::events(EventType type, const Name& name, std::function<void()> handler)
{
    return streamFor(name, [type, handler = std::move(handler)](EventType event) {
        if (event == type)
            handler();
    });
}

EventStream ShortcutRegistry::events(EventType type, const Shortcut& shortcut, std::function<void()> handler)
{
    return streamFor(shortcut, [type, handler = std::move(handler)](EventType event) {
        if (event == type)
            handler();
    });
}

EventStream ShortcutRegistry::repeatingKeyDownEvents(const Name& name, std::function<void()> handler)
{
    return repeating(
        name, Shortcut {}, std::move(handler),
        [this, name](const Shortcut& pressed) {
            return m_isEnabled && !m_isPaused && !isDisabled(name) && hasHandlers(name)
                && isRegistered(pressed) && m_storage.getShortcut(name) == pressed;
        },
        [this, name] { return m_storage.getShortcut(name); });
}

EventStream ShortcutRegistry::repeatingKeyDownEvents(const Shortcut& shortcut, std::function<void()> handler)
{
    return repeating(
        shortcut, shortcut, std::move(handler), [](const Shortcut&) { return true; },
        [shortcut]() -> std::optional<Shortcut> { return shortcut; });
}

bool ShortcutRegistry::isShortcutActive(const Shortcut& shortcut, const std::optional<Name>& excluding) const
{
    if (hasEntries(m_streamShortcutHandlers, shortcut))
        return true;
    std::unordered_set<Name> names;
    for (const auto& [name, list] : m_keyDownHandlers)
        names.insert(name);
    for (const auto& [name, list] : m_keyUpHandlers)
        names.insert(name);
    for (const auto& [name, streams] : m_streamHandlers)
        names.insert(name);
    for (const auto& name : names)
        if (name != excluding && hasHandlers(name) && !isDisabled(name)
            && m_storage.getShortcut(name) == shortcut)
            return true;
    return false;
}

std::unordered_set<Name> ShortcutRegistry::storedNames() const
{
    std::unordered_set<Name> names;
    for (const auto& map : { &m_keyDownHandlers, &m_keyUpHandlers })
        for (const auto& [name, list] : *map)
            if (!list.empty())
                names.insert(name);
    for (const auto& [name, streams] : m_streamHandlers)
        if (!streams.empty())
            names.insert(name);
    return names;
}

void ShortcutRegistry::registerIfNeeded(const Name& name)
{
    if (isDisabled(name) || !hasHandlers(name))
        return;
    if (const auto shortcut = m_storage.getShortcut(name))
        registerIfNeeded(*shortcut);
}

void ShortcutRegistry::registerIfNeeded(const Shortcut& shortcut)
{
    if (m_hotKeys.contains(shortcut))
        return;
    auto& center = hotKeyCenter();
    auto hotKey = std::make_shared<HotKey>(
        center, shortcut.carbonKeyCode, shortcut.carbonModifiers,
        [this, shortcut] { dispatch(shortcut, EventType::KeyDown); },
        [this, shortcut] { dispatch(shortcut, EventType::KeyUp); });
    if (!center.registerHotKey(hotKey))
        return;
    const std::weak_ptr<HotKey> weak = hotKey;
    hotKey->onRegistrationFailed = [this, shortcut, weak] {
        if (const auto found = m_hotKeys.find(shortcut);
            found != m_hotKeys.end() && found->second == weak.lock())
            m_hotKeys.erase(found);
    };
    m_hotKeys.emplace(shortcut, std::move(hotKey));
}

void ShortcutRegistry::unregisterShortcut(const Shortcut& shortcut)
{
    // Destroying the hot key releases it; taking it out of the table first keeps its destructor from
    // running while the table is being changed.
    if (auto found = m_hotKeys.find(shortcut); found != m_hotKeys.end()) {
        const auto hotKey = std::move(found->second);
        m_hotKeys.erase(found);
    }
}

int ShortcutRegistry::hotKeyId(const Shortcut& shortcut) const
{
    const auto found = m_hotKeys.find(shortcut);
    return found == m_hotKeys.end() ? 0 : found->second->id();
}

} // namespace GlobalShortcuts
