#include "Platform/Desktop/X11Keys.h"
#include "Platform/KeyEvent.h"

#include <gtest/gtest.h>

#include <set>

// After every C++ header: Xlib's macros (None, Bool) clash with their names.
#include <X11/X.h>
#include <X11/keysym.h>

TEST(X11Keys, KeysAndModifiersTranslateBothWays)
{
    // Every virtual key code maps back to the keysym it came from, and no two keysyms share a code.
    std::set<std::uint16_t> codes;
    for (unsigned long keysym = 0x20; keysym < 0x10000; ++keysym) {
        if (keysym >= XK_A && keysym <= XK_Z)
            continue; // folded onto the lower-case letters
        const auto code = X11Keys::keyCodeForKeysym(keysym);
        if (!code)
            continue;
        EXPECT_TRUE(codes.insert(*code).second) << "code " << *code << " is taken twice";
        EXPECT_EQ(X11Keys::keysymForKeyCode(*code), keysym);
    }
    EXPECT_EQ(X11Keys::keyCodeForKeysym(XK_v), KeyCodes::v);
    EXPECT_EQ(X11Keys::keyCodeForKeysym(XK_C), KeyCodes::c) << "a shifted letter is the same key";
    EXPECT_EQ(X11Keys::keyCodeForKeysym(XK_Return), 36);
    EXPECT_FALSE(X11Keys::keyCodeForKeysym(XK_Multi_key));
    EXPECT_FALSE(X11Keys::keysymForKeyCode(0x7F));
    EXPECT_EQ(X11Keys::letterKeycodeByPosition(KeyCodes::v), 55u) << "evdev KEY_V";
    EXPECT_EQ(X11Keys::letterKeycodeByPosition(KeyCodes::c), 54u);
    EXPECT_FALSE(X11Keys::letterKeycodeByPosition(36)) << "Return is no letter";
    for (const std::uint16_t letter : KeyCodes::letters)
        EXPECT_EQ(X11Keys::letterAtKeycode(*X11Keys::letterKeycodeByPosition(letter)),
            X11Keys::keysymForKeyCode(letter));
    EXPECT_FALSE(X11Keys::letterAtKeycode(36)) << "evdev KEY_ENTER + 8";

    // Control plays Command's role; lock bits never make a shortcut different.
    EXPECT_EQ(X11Keys::flagsForState(ControlMask | Mod2Mask), EventFlags::command);
    EXPECT_EQ(X11Keys::flagsForState(ShiftMask | LockMask), EventFlags::shift | EventFlags::capsLock);
    EXPECT_EQ(X11Keys::flagsForState(Mod1Mask | Mod4Mask), EventFlags::option | EventFlags::control);
    const std::uint64_t all = EventFlags::shortcutModifiers;
    EXPECT_EQ(X11Keys::flagsForState(X11Keys::stateForFlags(all)), all);
    EXPECT_EQ(X11Keys::stateForFlags(EventFlags::command | EventFlags::capsLock), unsigned(ControlMask));
    EXPECT_EQ(X11Keys::modifierKeysym(EventFlags::command), XK_Control_L);
    EXPECT_FALSE(X11Keys::modifierKeysym(EventFlags::capsLock));
}
