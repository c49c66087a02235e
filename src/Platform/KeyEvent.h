#pragma once

#include <QString>

#include <array>
#include <cstdint>

// Modifier flags of a key event, with the values the keyboard event services use.
namespace EventFlags {
inline constexpr std::uint64_t capsLock = 0x10000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t numericPad = 0x200000;
inline constexpr std::uint64_t function = 0x800000;
// The modifiers that make a shortcut different: Caps Lock, Fn and the rest never do.
inline constexpr std::uint64_t shortcutModifiers = shift | control | option | command;
} // namespace EventFlags

// Virtual key codes of the keys the program itself names.
namespace KeyCodes {
inline constexpr std::uint16_t c = 8;
inline constexpr std::uint16_t v = 9;
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t tab = 48;
inline constexpr std::uint16_t space = 49;
inline constexpr std::uint16_t deleteKey = 51; // Backspace
inline constexpr std::uint16_t escape = 53;
inline constexpr std::uint16_t clear = 71;
inline constexpr std::uint16_t keypadEnter = 76;
inline constexpr std::uint16_t help = 114; // Insert on PC keyboards
inline constexpr std::uint16_t home = 115;
inline constexpr std::uint16_t pageUp = 116;
inline constexpr std::uint16_t forwardDelete = 117;
inline constexpr std::uint16_t end = 119;
inline constexpr std::uint16_t pageDown = 121;
inline constexpr std::uint16_t leftArrow = 123;
inline constexpr std::uint16_t rightArrow = 124;
inline constexpr std::uint16_t downArrow = 125;
inline constexpr std::uint16_t upArrow = 126;
// The keys of A to Z, 0 to 9 and F1 to F20 on the ANSI layout, in that order.
inline constexpr std::array<std::uint16_t, 26> letters { 0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46, 45, 31,
    35, 12, 15, 1, 17, 32, 9, 13, 7, 16, 6 };
inline constexpr std::array<std::uint16_t, 10> digits { 29, 18, 19, 20, 21, 23, 22, 26, 28, 25 };
inline constexpr std::array<std::uint16_t, 20> functionKeys { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
    103, 111, 105, 107, 113, 106, 64, 79, 80, 90 };
} // namespace KeyCodes

// One keyboard event as it travels through the system.
struct KeyEvent {
    std::uint16_t keyCode = 0;
    bool isDown = true;
    bool isRepeat = false;
    std::uint64_t flags = 0;
    // The event source's user-data field; the program marks the events it posts here.
    std::int64_t userData = 0;
    // The text the key types, when known (what a window receiving the event would insert).
    QString characters;

    bool operator==(const KeyEvent&) const = default;
};
