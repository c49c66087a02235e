#pragma once

#include "Platform/KeyEvent.h"

#include <cstdint>
#include <optional>

class QKeyEvent;

// Qt's key events in the system's terms, for windows whose events carry no native key information.
namespace QtKeys {

// The virtual key code and event flags of a window's key event; nothing for keys the program has no code
// for. Qt's Control modifier is the Command key, its Meta modifier the Control key.
std::optional<KeyEvent> keyEvent(const QKeyEvent& event);

} // namespace QtKeys
