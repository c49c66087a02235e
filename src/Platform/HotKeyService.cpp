#include "Platform/HotKeyService.h"

#include <array>
#include <utility>

namespace {

// Each event flag of a shortcut's modifier and its bit.
constexpr std::array<std::pair<std::uint64_t, std::uint32_t>, 5> modifiers { {
    { EventFlags::command, HotKeyService::commandBit },
    { EventFlags::shift, HotKeyService::shiftBit },
    { EventFlags::option, HotKeyService::optionBit },
    { EventFlags::control, HotKeyService::controlBit },
    { EventFlags::function, HotKeyService::functionBit },
} };

} // namespace

std::uint32_t HotKeyService::bitsForFlags(std::uint64_t flags)
{
    std::uint32_t bits = 0;
    for (const auto& [flag, bit] : modifiers)
        if (flags & flag)
            bits |= bit;
    return bits;
}

std::uint64_t HotKeyService::flagsForBits(std::uint32_t bits)
{
    std::uint64_t flags = 0;
    for (const auto& [flag, bit] : modifiers)
        if (bits & bit)
            flags |= flag;
    return flags;
}

bool HotKeyService::isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers)
{
    for (const auto& hotKey : symbolicHotKeys())
        if (hotKey.enabled && hotKey.keyCode == keyCode && hotKey.modifiers == modifiers)
            return true;
    return false;
}
