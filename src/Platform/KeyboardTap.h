#pragma once

#include "Platform/KeyEvent.h"

// An installed session-wide keyboard tap. It sees key-down and key-up events before any application does
// and may drop them. Destroying the object removes the tap.
//
// The shape fits both a macOS event tap and an X11 synchronous passive grab: there, "drop" is
// XAllowEvents(AsyncKeyboard) and "pass" is XAllowEvents(ReplayKeyboard), and posting uses XTest.
class KeyboardTap {
public:
    enum class Verdict { Pass, Drop };
    // What the callback is told about. The two "disabled" notices mean the system switched the tap off
    // (its callback was too slow, or the user's input disabled it); it stays off until enabled again.
    enum class Notice { KeyDown, KeyUp, DisabledByTimeout, DisabledByUserInput };

    virtual ~KeyboardTap() = default;

    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};
