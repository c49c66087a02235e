#include "GlobalShortcuts/HotKey.h"

#include "GlobalShortcuts/HotKeyCenter.h"

namespace GlobalShortcuts {

HotKey::HotKey(HotKeyCenter& center, std::int64_t carbonKeyCode, std::int64_t carbonModifiers,
    std::function<void()> keyDown, std::function<void()> keyUp)
    : onKeyDown(std::move(keyDown))
    , onKeyUp(std::move(keyUp))
    , m_center(center)
    , m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(carbonModifiers)
    , m_id(center.nextId())
{ }

HotKey::~HotKey()
{
    m_center.forget(*this);
}

} // namespace GlobalShortcuts
