#include "Platform/Simulated/HotKeyServiceSimulated.h"

#include "Platform/QtKeys.h"

namespace {

// Key codes run to 127 on every keyboard the system knows.
constexpr std::uint32_t highestKeyCode = 127;

std::uint32_t comparable(std::int64_t keyCode, std::uint32_t bits)
{
    return KeyCodes::synthesizesFunction(keyCode) ? bits & ~HotKeyService::functionBit : bits;
}

// The US layout: what each key types unshifted.
QHash<std::int64_t, QString> usLayout()
{
    QHash<std::int64_t, QString> layout;
    const char* letters = "abcdefghijklmnopqrstuvwxyz";
    for (int n = 0; n < 26; ++n)
        layout.insert(KeyCodes::letters[n], QString(QLatin1Char(letters[n])));
    for (int n = 0; n < 10; ++n)
        layout.insert(KeyCodes::digits[n], QString::number(n));
    const std::pair<std::int64_t, char> punctuation[] { { 24, '=' }, { 27, '-' }, { 30, ']' }, { 33, '[' },
        { 39, '\'' }, { 41, ';' }, { 42, '\\' }, { 43, ',' }, { 44, '/' }, { 47, '.' }, { 50, '`' } };
    for (const auto& [code, character] : punctuation)
        layout.insert(code, QString(QLatin1Char(character)));
    return layout;
}

} // namespace

HotKeyServiceSimulated::HotKeyServiceSimulated()
    : m_layout(usLayout())
{ }

std::optional<HotKeyService::Reference> HotKeyServiceSimulated::registerHotKey(
    std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id)
{
    Registration registration { keyCode, modifiers, id, 0 };
    const bool refused = keyCode > highestKeyCode || (modifiers & ~HotKeyService::knownBits) != 0
        || m_taken.contains({ keyCode, modifiers }) || isRegistered(keyCode, modifiers);
    if (refused) {
        onRegister(registration, false);
        return std::nullopt;
    }
    registration.reference = m_nextReference++;
    m_registrations.push_back(registration);
    onRegister(registration, true);
    return registration.reference;
}

void HotKeyServiceSimulated::unregisterHotKey(Reference reference)
{
    for (auto it = m_registrations.begin(); it != m_registrations.end(); ++it) {
        if (it->reference == reference) {
            const auto registration = *it;
            m_registrations.erase(it);
            onUnregister(registration);
            return;
        }
    }
}

bool HotKeyServiceSimulated::installEventHandler(Handler handler)
{
    if (m_handlerFails && handler)
        return false;
    m_handler = std::move(handler);
    return true;
}

std::optional<QString> HotKeyServiceSimulated::characterForKey(std::int64_t keyCode)
{
    const auto found = m_layout.constFind(keyCode);
    if (found == m_layout.constEnd() || found->isEmpty())
        return std::nullopt;
    return *found;
}

bool HotKeyServiceSimulated::isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const
{
    for (const auto& registration : m_registrations)
        if (registration.keyCode == keyCode && registration.modifiers == modifiers)
            return true;
    return false;
}

void HotKeyServiceSimulated::takeCombination(std::uint32_t keyCode, std::uint32_t modifiers)
{
    m_taken.insert({ keyCode, modifiers });
}

void HotKeyServiceSimulated::reserve(std::int64_t keyCode, std::int64_t modifiers, bool enabled)
{
    m_symbolic.push_back({ keyCode, modifiers, enabled });
}

void HotKeyServiceSimulated::setMenuTracking(bool tracking)
{
    if (m_menuTracking == tracking)
        return;
    m_menuTracking = tracking;
    menuTrackingChanged(tracking);
}

int HotKeyServiceSimulated::deliver(const Event& event)
{
    m_lastResult = m_handler ? m_handler(event) : eventNotHandledErr;
    return m_lastResult;
}

const HotKeyServiceSimulated::Registration* HotKeyServiceSimulated::matching(const KeyEvent& event) const
{
    const auto bits = comparable(event.keyCode, HotKeyService::bitsForFlags(event.flags));
    for (const auto& registration : m_registrations)
        if (registration.keyCode == event.keyCode
            && comparable(registration.keyCode, registration.modifiers) == bits)
            return &registration;
    return nullptr;
}

bool HotKeyServiceSimulated::type(const KeyEvent& event)
{
    if (m_menuTracking) {
        // The menu has the keyboard; the watch only looks on the way.
        if (m_rawKeyEvents)
            deliver({ event.isDown ? EventKind::RawKeyDown : EventKind::RawKeyUp, std::nullopt, event.keyCode,
                HotKeyService::bitsForFlags(event.flags), event.isRepeat });
        return false;
    }
    const auto* registration = event.isDown && !event.isRepeat ? matching(event) : nullptr;
    if (registration)
        m_keysDown.insert(event.keyCode);
    else if (!m_keysDown.contains(event.keyCode))
        return false;
    if (!event.isDown)
        m_keysDown.erase(event.keyCode);
    // Hot keys do not repeat; a held one is still ours.
    if (event.isRepeat)
        return true;
    HotKeyId id;
    if (registration) {
        id = registration->id;
    } else {
        // The release goes to the hot key the press went to, if it is still registered.
        bool found = false;
        for (const auto& candidate : m_registrations)
            if (candidate.keyCode == event.keyCode) {
                id = candidate.id;
                found = true;
                break;
            }
        if (!found)
            return true;
    }
    onHotKey(id, event.isDown);
    if (m_hotKeyEvents)
        deliver({ event.isDown ? EventKind::HotKeyPressed : EventKind::HotKeyReleased, id, 0, 0, false });
    return true;
}

std::optional<KeyEvent> HotKeyServiceSimulated::keyEventFrom(const QKeyEvent& event) const
{
    return QtKeys::keyEvent(event);
}
