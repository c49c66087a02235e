#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Translation between X11 keys and the program's virtual key codes and event flags. Control stands for
// Command on Linux, where it plays Command's role in shortcuts; the Super key stands for Control.
namespace X11Keys {

// The virtual key code of an X keysym (as the key's unshifted keysym), or nothing for keys the program
// has no code for.
std::optional<std::uint16_t> keyCodeForKeysym(unsigned long keysym);
// The unshifted X keysym of a virtual key code, or nothing.
std::optional<unsigned long> keysymForKeyCode(std::uint16_t keyCode);

// The X keycode of a letter key by its position on the keyboard, for servers with evdev keycodes; used
// when no key of the layout types the letter (a Cyrillic-only layout has no "v" anywhere).
std::optional<unsigned int> letterKeycodeByPosition(std::uint16_t keyCode);
// The other way: the Latin letter whose position the X keycode `keycode` has; nothing for other keys.
std::optional<unsigned long> letterAtKeycode(unsigned int keycode);

// EventFlags from an X modifier state; Num Lock and the other lock bits never count.
std::uint64_t flagsForState(unsigned int state);
// The X modifier mask (Shift, Control, Mod1, Mod4) for the shortcut modifiers among `flags`.
unsigned int stateForFlags(std::uint64_t flags);
// The keysym of the left-hand key that produces the modifier `flag` (one of the shortcut modifiers).
std::optional<unsigned long> modifierKeysym(std::uint64_t flag);

} // namespace X11Keys
