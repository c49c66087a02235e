#include "GlobalShortcuts/Modifiers.h"

#include "Platform/KeyEvent.h"

#include <array>
#include <utility>

namespace GlobalShortcuts::Modifiers {
namespace {

// In display order. The text-style selector keeps the globe from being drawn as a coloured emoji.
constexpr std::array<std::pair<std::uint64_t, const char16_t*>, 5> symbols { {
    { EventFlags::control, u"\u2303" },
    { EventFlags::option, u"\u2325" },
    { EventFlags::shift, u"\u21E7" },
    { EventFlags::command, u"\u2318" },
    { EventFlags::function, u"\U0001F310\uFE0E" },
} };

} // namespace

QString symbolicRepresentation(std::uint64_t flags)
{
    QString text;
    for (const auto& [flag, symbol] : symbols)
        if (flags & flag)
            text += QString::fromUtf16(symbol);
    return text;
}

} // namespace GlobalShortcuts::Modifiers
