#include "GlobalShortcuts/Modifiers.h"

#include <array>

namespace GlobalShortcuts::Modifiers {
namespace {

struct Modifier {
    std::uint64_t flag;
    std::int64_t bit;
    const char16_t* symbol;
};

// In display order.
constexpr std::array<Modifier, 5> modifiers { {
    { Flags::control, Bits::control, u"\u2303" },
    { Flags::option, Bits::option, u"\u2325" },
    { Flags::shift, Bits::shift, u"\u21E7" },
    { Flags::command, Bits::command, u"\u2318" },
    // The text-style selector keeps the globe from being drawn as a coloured emoji.
    { Flags::function, Bits::function, u"\U0001F310\uFE0E" },
} };

} // namespace

std::int64_t carbonFromFlags(std::uint64_t flags)
{
    std::int64_t carbon = 0;
    for (const auto& modifier : modifiers)
        if (flags & modifier.flag)
            carbon |= modifier.bit;
    return carbon;
}

std::uint64_t flagsFromCarbon(std::int64_t carbon)
{
    std::uint64_t flags = 0;
    for (const auto& modifier : modifiers)
        if (carbon & modifier.bit)
            flags |= modifier.flag;
    return flags;
}

QString symbolicRepresentation(std::uint64_t flags)
{
    QString text;
    for (const auto& modifier : modifiers)
        if (flags & modifier.flag)
            text += QString::fromUtf16(modifier.symbol);
    return text;
}

} // namespace GlobalShortcuts::Modifiers
