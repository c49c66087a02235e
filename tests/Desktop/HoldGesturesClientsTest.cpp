#include "Desktop/DesktopSession.h"
#include "Foundation/EventLoopScheduler.h"
#include "Keyboard/HoldMonitor.h"
#include "Platform/Desktop/KeyboardEventsDesktop.h"

#include <gtest/gtest.h>

// After every C++ header: Xlib's macros (None, Bool) clash with their names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using DesktopSession::run;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;

// The hold monitor on the X11 tap (its short presses and holds are tested in the running program). Desktops
// grab keys of their own; V with Super is a common one. The hold monitor's grab of V with any modifiers must
// then take every other combination instead of failing.
TEST(DesktopHoldGestures, AnotherClientsGrabOfTheKeyLeavesTheRestToUs)
{
    SKIP_WITHOUT_DISPLAY();
    auto window = DesktopSession::startWindow();
    ASSERT_TRUE(window);
    Display* other = XOpenDisplay(nullptr);
    ASSERT_TRUE(other);
    XGrabKey(other, XKeysymToKeycode(other, XK_v), Mod4Mask, DefaultRootWindow(other), False, GrabModeAsync,
        GrabModeAsync);
    XSync(other, False);

    KeyboardEventsDesktop keyboard;
    EventLoopScheduler scheduler;
    HoldMonitor monitor(keyboard, scheduler);
    EXPECT_TRUE(monitor.start());
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+v") }));
    EXPECT_TRUE(spinUntil([&] {
        window->read();
        return window->output.contains("paste");
    })) << "the short press went through the hold monitor";
    XCloseDisplay(other);
}
