#pragma once

#include "Platform/KeyCodes.h"

#include <QString>

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
