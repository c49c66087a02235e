#include "Desktop/DesktopSession.h"
#include "Foundation/EventLoopScheduler.h"
#include "Keyboard/HoldMonitor.h"
#include "Platform/Desktop/KeyboardEventsDesktop.h"

#include <gtest/gtest.h>

// After every C++ header: Xlib's macros (None, Bool) clash with their names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using DesktopSession::run;
using DesktopSession::spin;
using DesktopSession::spinUntil;

// The hold monitor on the X11 tap, with xdotool as the keyboard and our client as the application in front.
TEST(DesktopHoldGestures, ShortPressesStillPasteOnceAndHoldsAreKept)
{
    SKIP_WITHOUT_DISPLAY();
    auto window = DesktopSession::startWindow();
    ASSERT_TRUE(window);
    KeyboardEventsDesktop keyboard;
    EventLoopScheduler scheduler;
    HoldMonitor monitor(keyboard, scheduler);
    monitor.holdDelay = [] { return 0.4; };
    std::vector<HoldMonitor::Key> holds;
    monitor.onHold = [&](HoldMonitor::Key key) { holds.push_back(key); };
    ASSERT_TRUE(monitor.start());
    const auto windowOutput = [&] {
        spin(300);
        window->read();
        return window->output;
    };

    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("ctrl+v") }));
    EXPECT_TRUE(spinUntil([&] {
        window->read();
        return window->output.contains("paste");
    }));
    EXPECT_EQ(windowOutput(), "paste\n") << "a short press pastes exactly once";
    EXPECT_TRUE(holds.empty());

    // Typing goes on as usual through the grab on V.
    window->output.clear();
    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("type"), QStringLiteral("vv") }));
    EXPECT_EQ(windowOutput(), "key 86 v\nkey 86 v\n");

    window->output.clear();
    ASSERT_TRUE(run(QStringLiteral("xdotool"),
        { QStringLiteral("keydown"), QStringLiteral("ctrl+v"), QStringLiteral("sleep"), QStringLiteral("0.8"),
            QStringLiteral("keyup"), QStringLiteral("v"), QStringLiteral("keyup"), QStringLiteral("ctrl") }));
    EXPECT_EQ(holds, std::vector { HoldMonitor::Key::Paste });
    EXPECT_EQ(windowOutput(), "") << "a hold is the program's, not the window's";

    // The same again after the hold: nothing is left grabbed or held.
    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("ctrl+v") }));
    EXPECT_EQ(windowOutput(), "paste\n");
}

// Desktops grab keys of their own; V with Super is a common one. The hold monitor's grab of V with any
// modifiers must then take every other combination instead of failing.
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
    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("ctrl+v") }));
    EXPECT_TRUE(spinUntil([&] {
        window->read();
        return window->output.contains("paste");
    })) << "the short press went through the hold monitor";
    XCloseDisplay(other);
}
