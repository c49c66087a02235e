#include "GlobalShortcuts/HotKey.h"

#include "GlobalShortcuts/HotKeyCenter.h"

namespace GlobalShortcuts {

HotKey::HotKey(std::int64_t carbonKeyCode, std::int64_t carbonModifiers, std::int64_t id,
    std::function<void()> keyDown, std::function<void()> keyUp)
    : onKeyDown(std::move(keyDown))
    , onKeyUp(std::move(keyUp))
    , m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(carbonModifiers)
    , m_id(id)
{ }

HotKey::~HotKey()
{
    if (auto* center = HotKeyCenter::existing())
        center->forget(*this);
}

} // namespace GlobalShortcuts
