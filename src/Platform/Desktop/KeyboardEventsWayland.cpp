#include "Platform/Desktop/KeyboardEventsWayland.h"

#include "Platform/Desktop/WaylandKeyboard.h"

#include <optional>

namespace {

std::optional<WaylandKeyboard::Key> waylandKey(std::uint16_t keyCode)
{
    switch (keyCode) {
    case KeyCodes::v:
        return WaylandKeyboard::V;
    case KeyCodes::help:
        return WaylandKeyboard::Insert;
    default:
        return std::nullopt;
    }
}

} // namespace

KeyboardEventsWayland::KeyboardEventsWayland(
    std::unique_ptr<WaylandKeyboard> virtualKeyboard, std::unique_ptr<KeyboardEvents> xwayland)
    : m_virtualKeyboard(std::move(virtualKeyboard))
    , m_xwayland(std::move(xwayland))
{ }

KeyboardEventsWayland::~KeyboardEventsWayland() = default;

bool KeyboardEventsWayland::post(const KeyEvent& event)
{
    if (!m_virtualKeyboard)
        return m_xwayland && m_xwayland->post(event);
    const auto key = waylandKey(event.keyCode);
    // Ctrl stands for Command; Option and the Mac's Control have no part in any paste chord.
    constexpr auto typeable = EventFlags::command | EventFlags::shift;
    const auto modifiers = event.flags & EventFlags::shortcutModifiers;
    if (!key || (modifiers & ~typeable) != 0)
        return false;
    const unsigned held = ((modifiers & EventFlags::command) ? WaylandKeyboard::Ctrl : 0u)
        | ((modifiers & EventFlags::shift) ? WaylandKeyboard::Shift : 0u);
    if (event.isDown)
        m_virtualKeyboard->down(*key, held);
    else
        m_virtualKeyboard->up(*key, held);
    return true;
}
