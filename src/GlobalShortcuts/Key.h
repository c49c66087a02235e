#pragma once

#include "Platform/KeyCodes.h"

#include <cstdint>
#include <functional>

namespace GlobalShortcuts {

// A physical key by its virtual key code. The keys are named as the platform names them (Key::a is
// KeyCodes::a, Key::deleteForward is KeyCodes::deleteForward), and a code converts to a Key.
struct Key final : KeyCodes {
    std::int64_t rawValue = 0;

    constexpr Key() = default;
    constexpr Key(std::int64_t code)
        : rawValue(code)
    { }

    bool operator==(const Key& other) const { return rawValue == other.rawValue; }
};

} // namespace GlobalShortcuts

template <> struct std::hash<GlobalShortcuts::Key> {
    std::size_t operator()(const GlobalShortcuts::Key& key) const noexcept
    {
        return std::hash<std::int64_t>()(key.rawValue);
    }
};
