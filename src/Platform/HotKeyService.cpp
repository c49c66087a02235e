#include "Platform/HotKeyService.h"

std::uint32_t HotKeyService::bitsForFlags(std::uint64_t flags)
{
    std::uint32_t bits = 0;
    if (flags & EventFlags::command)
        bits |= commandBit;
    if (flags & EventFlags::shift)
        bits |= shiftBit;
    if (flags & EventFlags::option)
        bits |= optionBit;
    if (flags & EventFlags::control)
        bits |= controlBit;
    if (flags & EventFlags::function)
        bits |= functionBit;
    return bits;
}

std::uint64_t HotKeyService::flagsForBits(std::uint32_t bits)
{
    std::uint64_t flags = 0;
    if (bits & commandBit)
        flags |= EventFlags::command;
    if (bits & shiftBit)
        flags |= EventFlags::shift;
    if (bits & optionBit)
        flags |= EventFlags::option;
    if (bits & controlBit)
        flags |= EventFlags::control;
    return flags;
}

bool HotKeyService::isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers)
{
    for (const auto& hotKey : symbolicHotKeys())
        if (hotKey.enabled && hotKey.keyCode == keyCode && hotKey.modifiers == modifiers)
            return true;
    return false;
}
