#pragma once

#include <QString>

#include <cstdint>

// The five modifiers a shortcut can carry, as event flags (the values of EventFlags) and as the hot-key
// service's modifier bits. Both conversions map each of the five to its partner and drop everything else.
namespace GlobalShortcuts::Modifiers {

namespace Flags {
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t function = 0x800000;
} // namespace Flags

namespace Bits {
inline constexpr std::int64_t control = 0x1000;
inline constexpr std::int64_t option = 0x800;
inline constexpr std::int64_t shift = 0x200;
inline constexpr std::int64_t command = 0x100;
inline constexpr std::int64_t function = 0x20000;
} // namespace Bits

std::int64_t carbonFromFlags(std::uint64_t flags);
std::uint64_t flagsFromCarbon(std::int64_t carbon);
// The symbols of the flags present, always in the order Control, Option, Shift, Command, Function.
QString symbolicRepresentation(std::uint64_t flags);

} // namespace GlobalShortcuts::Modifiers
