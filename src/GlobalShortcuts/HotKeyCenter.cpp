#include "GlobalShortcuts/HotKeyCenter.h"

#include "GlobalShortcuts/HotKey.h"
#include "Platform/HotKeyServiceNone.h"

#include <limits>

namespace GlobalShortcuts {
namespace {

bool fitsUnsigned32(std::int64_t value)
{
    return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max();
}

// Only the five modifiers survive. The function bit goes for the keys on which the system sets it by
// itself, so that they match however the event came.
std::int64_t normalised(std::int64_t keyCode, std::int64_t modifiers)
{
    auto bits = modifiers & HotKeyService::knownBits;
    if (KeyCodes::synthesizesFunction(keyCode))
        bits &= ~HotKeyService::functionBit;
    return bits;
}

} // namespace

HotKeyCenter::HotKeyCenter(HotKeyService* service, bool enabled)
    : m_none(service ? nullptr : std::make_unique<HotKeyServiceNone>())
    , m_service(service ? *service : *m_none)
    , m_isEnabled(enabled)
{
    m_service.onMenuTracking = [this](bool open) { setMenuOpen(open); };
    updateMode();
}

HotKeyCenter::~HotKeyCenter()
{
    for (const auto& [id, weak] : m_hotKeys)
        if (const auto hotKey = weak.lock(); hotKey && hotKey->eventHotKeyRef)
            m_service.unregisterHotKey(*std::exchange(hotKey->eventHotKeyRef, std::nullopt));
    m_service.onMenuTracking = [](bool) {};
    if (m_hasEventHandler) {
        m_service.setHotKeyEventsEnabled(false);
        m_service.setRawKeyEventsEnabled(false);
        m_service.installEventHandler({});
    }
}

bool HotKeyCenter::registerHotKey(const std::shared_ptr<HotKey>& hotKey)
{
    if (!fitsUnsigned32(hotKey->carbonKeyCode()) || !fitsUnsigned32(hotKey->carbonModifiers())
        || !fitsUnsigned32(hotKey->id()))
        return false;
    const auto reference = m_service.registerHotKey(static_cast<std::uint32_t>(hotKey->carbonKeyCode()),
        static_cast<std::uint32_t>(hotKey->carbonModifiers()),
        { signature, static_cast<std::uint32_t>(hotKey->id()) });
    if (!reference)
        return false;
    hotKey->eventHotKeyRef = reference;
    m_hotKeys[hotKey->id()] = hotKey;
    if (!m_hasEventHandler) {
        // A centre without a handler still holds its hot keys; they only never fire.
        if (!m_service.installEventHandler(
                [this](const HotKeyService::Event& event) { return handle(event); }))
            return true;
        m_hasEventHandler = true;
    }
    applyMode();
    return true;
}

void HotKeyCenter::forget(HotKey& hotKey)
{
    if (hotKey.eventHotKeyRef)
        m_service.unregisterHotKey(*std::exchange(hotKey.eventHotKeyRef, std::nullopt));
    m_hotKeys.erase(hotKey.id());
}

void HotKeyCenter::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
    updateMode();
}

void HotKeyCenter::setMenuOpen(bool open)
{
    m_isMenuOpen = open;
    m_rawKeysDown.clear();
    updateMode();
}

void HotKeyCenter::updateMode()
{
    const auto mode = !m_isEnabled ? Mode::Disabled : m_isMenuOpen ? Mode::MenuOpen : Mode::Normal;
    if (mode == m_mode)
        return;
    m_mode = mode;
    if (m_hasEventHandler)
        applyMode();
}

void HotKeyCenter::applyMode()
{
    if (m_mode == Mode::Normal)
        resumeHotKeys();
    else
        pauseHotKeys();
    const bool hotKeyEvents = m_mode == Mode::Normal;
    if (hotKeyEvents != m_isHotKeyEventHandlingEnabled) {
        m_isHotKeyEventHandlingEnabled = hotKeyEvents;
        m_service.setHotKeyEventsEnabled(hotKeyEvents);
    }
    const bool rawKeyEvents = m_mode == Mode::MenuOpen;
    if (rawKeyEvents != m_isRawKeyEventHandlingEnabled) {
        m_isRawKeyEventHandlingEnabled = rawKeyEvents;
        m_service.setRawKeyEventsEnabled(rawKeyEvents);
    }
}

void HotKeyCenter::pauseHotKeys()
{
    for (const auto& [id, weak] : m_hotKeys)
        if (const auto hotKey = weak.lock(); hotKey && hotKey->eventHotKeyRef)
            m_service.unregisterHotKey(*std::exchange(hotKey->eventHotKeyRef, std::nullopt));
}

void HotKeyCenter::resumeHotKeys()
{
    // A failed hot key leaves the tables from its callback, so walk a snapshot.
    std::vector<std::shared_ptr<HotKey>> hotKeys;
    for (const auto& [id, weak] : m_hotKeys)
        if (auto hotKey = weak.lock())
            hotKeys.push_back(std::move(hotKey));
    for (const auto& hotKey : hotKeys) {
        if (hotKey->eventHotKeyRef)
            continue;
        hotKey->eventHotKeyRef = m_service.registerHotKey(static_cast<std::uint32_t>(hotKey->carbonKeyCode()),
            static_cast<std::uint32_t>(hotKey->carbonModifiers()),
            { signature, static_cast<std::uint32_t>(hotKey->id()) });
        if (!hotKey->eventHotKeyRef) {
            m_hotKeys.erase(hotKey->id());
            if (hotKey->onRegistrationFailed)
                hotKey->onRegistrationFailed();
        }
    }
}

std::shared_ptr<HotKey> HotKeyCenter::live(std::int64_t id) const
{
    const auto found = m_hotKeys.find(id);
    return found == m_hotKeys.end() ? nullptr : found->second.lock();
}

int HotKeyCenter::handle(const HotKeyService::Event& event)
{
    switch (event.kind) {
    case HotKeyService::EventKind::HotKeyPressed:
    case HotKeyService::EventKind::HotKeyReleased:
        return handleHotKey(event);
    case HotKeyService::EventKind::RawKeyDown:
    case HotKeyService::EventKind::RawKeyUp:
        return handleRawKey(event);
    }
    return HotKeyService::eventNotHandledErr;
}

int HotKeyCenter::handleHotKey(const HotKeyService::Event& event)
{
    if (!event.hotKey || event.hotKey->signature != signature)
        return HotKeyService::eventNotHandledErr;
    const auto hotKey = live(event.hotKey->id);
    if (!hotKey)
        return HotKeyService::eventNotHandledErr;
    if (event.kind == HotKeyService::EventKind::HotKeyPressed)
        hotKey->onKeyDown();
    else
        hotKey->onKeyUp();
    return HotKeyService::noErr;
}

int HotKeyCenter::handleRawKey(const HotKeyService::Event& event)
{
    if (event.isRepeat && event.kind == HotKeyService::EventKind::RawKeyDown)
        return HotKeyService::eventNotHandledErr;
    // A key-up belongs to the hot key its key-down went to, whatever modifiers were let go first; matching
    // it by its modifiers again would lose it whenever they were.
    if (event.kind == HotKeyService::EventKind::RawKeyUp) {
        if (const auto pressed = m_rawKeysDown.find(event.keyCode); pressed != m_rawKeysDown.end()) {
            const auto hotKey = live(pressed->second);
            m_rawKeysDown.erase(pressed);
            if (!hotKey)
                return HotKeyService::eventNotHandledErr;
            hotKey->onKeyUp();
            return HotKeyService::noErr;
        }
    }
    const auto modifiers = normalised(event.keyCode, event.modifiers);
    std::shared_ptr<HotKey> match;
    for (const auto& [id, weak] : m_hotKeys) {
        const auto hotKey = weak.lock();
        if (hotKey && hotKey->carbonKeyCode() == event.keyCode
            && normalised(hotKey->carbonKeyCode(), hotKey->carbonModifiers()) == modifiers) {
            match = hotKey;
            break;
        }
    }
    if (!match)
        return HotKeyService::eventNotHandledErr;
    if (event.kind == HotKeyService::EventKind::RawKeyDown) {
        m_rawKeysDown[event.keyCode] = match->id();
        match->onKeyDown();
    } else {
        match->onKeyUp();
    }
    return HotKeyService::noErr;
}

std::vector<Shortcut> HotKeyCenter::systemShortcuts() const
{
    std::vector<Shortcut> shortcuts;
    for (const auto& hotKey : m_service.symbolicHotKeys())
        if (hotKey.enabled)
            shortcuts.push_back({ hotKey.keyCode, hotKey.modifiers & HotKeyService::knownBits });
    return shortcuts;
}

bool HotKeyCenter::isSystemShortcut(const Shortcut& shortcut) const
{
    for (const auto& system : systemShortcuts())
        if (system == shortcut)
            return true;
    return m_service.isReservedBySystem(shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

} // namespace GlobalShortcuts
