#include "Platform/Desktop/X11Keys.h"

#include "Platform/KeyEvent.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <array>
#include <utility>

namespace X11Keys {
namespace {

// Keysym and virtual key code pairs of the keys of a US layout that the program can name.
constexpr std::array<std::pair<unsigned long, std::uint16_t>, 84> table { {
    { XK_a, 0 },
    { XK_s, 1 },
    { XK_d, 2 },
    { XK_f, 3 },
    { XK_h, 4 },
    { XK_g, 5 },
    { XK_z, 6 },
    { XK_x, 7 },
    { XK_c, 8 },
    { XK_v, 9 },
    { XK_b, 11 },
    { XK_q, 12 },
    { XK_w, 13 },
    { XK_e, 14 },
    { XK_r, 15 },
    { XK_y, 16 },
    { XK_t, 17 },
    { XK_1, 18 },
    { XK_2, 19 },
    { XK_3, 20 },
    { XK_4, 21 },
    { XK_6, 22 },
    { XK_5, 23 },
    { XK_equal, 24 },
    { XK_9, 25 },
    { XK_7, 26 },
    { XK_minus, 27 },
    { XK_8, 28 },
    { XK_0, 29 },
    { XK_bracketright, 30 },
    { XK_o, 31 },
    { XK_u, 32 },
    { XK_bracketleft, 33 },
    { XK_i, 34 },
    { XK_p, 35 },
    { XK_Return, 36 },
    { XK_l, 37 },
    { XK_j, 38 },
    { XK_apostrophe, 39 },
    { XK_k, 40 },
    { XK_semicolon, 41 },
    { XK_backslash, 42 },
    { XK_comma, 43 },
    { XK_slash, 44 },
    { XK_n, 45 },
    { XK_m, 46 },
    { XK_period, 47 },
    { XK_Tab, 48 },
    { XK_space, 49 },
    { XK_grave, 50 },
    { XK_BackSpace, 51 },
    { XK_Escape, 53 },
    { XK_Control_L, 55 },
    { XK_Shift_L, 56 },
    { XK_Caps_Lock, 57 },
    { XK_Alt_L, 58 },
    { XK_Super_L, 59 },
    { XK_Shift_R, 60 },
    { XK_Alt_R, 61 },
    { XK_Super_R, 62 },
    { XK_KP_Enter, 76 },
    { XK_F5, 96 },
    { XK_F6, 97 },
    { XK_F7, 98 },
    { XK_F3, 99 },
    { XK_F8, 100 },
    { XK_F9, 101 },
    { XK_F10, 109 },
    { XK_F12, 111 },
    { XK_F11, 103 },
    { XK_Home, 115 },
    { XK_Prior, 116 },
    { XK_Delete, 117 },
    { XK_F4, 118 },
    { XK_End, 119 },
    { XK_F2, 120 },
    { XK_Next, 121 },
    { XK_F1, 122 },
    { XK_Left, 123 },
    { XK_Right, 124 },
    { XK_Down, 125 },
    { XK_Up, 126 },
    { XK_Control_R, 54 },
    { XK_Insert, 114 },
} };

struct FlagMask {
    std::uint64_t flag;
    unsigned int mask;
    unsigned long keysym;
};
constexpr std::array<FlagMask, 4> modifiers { {
    { EventFlags::command, ControlMask, XK_Control_L },
    { EventFlags::shift, ShiftMask, XK_Shift_L },
    { EventFlags::option, Mod1Mask, XK_Alt_L },
    { EventFlags::control, Mod4Mask, XK_Super_L },
} };

// Linux input event codes of the letters; X servers on evdev add 8.
constexpr unsigned int evdevOffset = 8;
constexpr std::array<std::pair<unsigned long, unsigned int>, 26> evdevLetters { {
    { XK_q, 16 },
    { XK_w, 17 },
    { XK_e, 18 },
    { XK_r, 19 },
    { XK_t, 20 },
    { XK_y, 21 },
    { XK_u, 22 },
    { XK_i, 23 },
    { XK_o, 24 },
    { XK_p, 25 },
    { XK_a, 30 },
    { XK_s, 31 },
    { XK_d, 32 },
    { XK_f, 33 },
    { XK_g, 34 },
    { XK_h, 35 },
    { XK_j, 36 },
    { XK_k, 37 },
    { XK_l, 38 },
    { XK_z, 44 },
    { XK_x, 45 },
    { XK_c, 46 },
    { XK_v, 47 },
    { XK_b, 48 },
    { XK_n, 49 },
    { XK_m, 50 },
} };

} // namespace

std::optional<std::uint16_t> keyCodeForKeysym(unsigned long keysym)
{
    // Shifted letters arrive as upper-case keysyms when a layout has no lower-case level.
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    for (const auto& [sym, code] : table)
        if (sym == keysym)
            return code;
    return std::nullopt;
}

std::optional<unsigned long> keysymForKeyCode(std::uint16_t keyCode)
{
    for (const auto& [sym, code] : table)
        if (code == keyCode)
            return sym;
    return std::nullopt;
}

std::optional<unsigned int> letterKeycodeByPosition(std::uint16_t keyCode)
{
    const auto keysym = keysymForKeyCode(keyCode);
    for (const auto& [sym, code] : evdevLetters)
        if (keysym == sym)
            return code + evdevOffset;
    return std::nullopt;
}

std::optional<unsigned long> letterAtKeycode(unsigned int keycode)
{
    for (const auto& [sym, code] : evdevLetters)
        if (code + evdevOffset == keycode)
            return sym;
    return std::nullopt;
}

std::uint64_t flagsForState(unsigned int state)
{
    std::uint64_t flags = 0;
    for (const auto& modifier : modifiers)
        if (state & modifier.mask)
            flags |= modifier.flag;
    if (state & LockMask)
        flags |= EventFlags::capsLock;
    return flags;
}

unsigned int stateForFlags(std::uint64_t flags)
{
    unsigned int state = 0;
    for (const auto& modifier : modifiers)
        if (flags & modifier.flag)
            state |= modifier.mask;
    return state;
}

std::optional<unsigned long> modifierKeysym(std::uint64_t flag)
{
    for (const auto& modifier : modifiers)
        if (modifier.flag == flag)
            return modifier.keysym;
    return std::nullopt;
}

} // namespace X11Keys
