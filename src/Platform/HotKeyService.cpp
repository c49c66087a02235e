#include "Platform/HotKeyService.h"

bool HotKeyService::isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers)
{
    for (const auto& hotKey : symbolicHotKeys())
        if (hotKey.enabled && hotKey.keyCode == keyCode && hotKey.modifiers == modifiers)
            return true;
    return false;
}
