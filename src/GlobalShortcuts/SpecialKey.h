#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace GlobalShortcuts {

// The 53 keys shown by a fixed symbol rather than by what the keyboard layout types.
namespace SpecialKey {

// The symbol of the key with this virtual key code, or nothing when it is not a special key.
std::optional<QString> symbol(std::int64_t keyCode);
// How many special keys there are.
int count();

} // namespace SpecialKey
} // namespace GlobalShortcuts
