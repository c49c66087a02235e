#include "GlobalShortcuts/KeyNotation.h"

#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/SpecialKey.h"

#include <QHash>

#include <array>
#include <utility>

namespace GlobalShortcuts::KeyNotation {
namespace {

// In the order Linux desktops write them.
constexpr std::array<std::pair<std::uint64_t, const char*>, 5> linuxModifiers { {
    { Modifiers::Flags::command, "Ctrl" },
    { Modifiers::Flags::option, "Alt" },
    { Modifiers::Flags::shift, "Shift" },
    { Modifiers::Flags::control, "Super" },
    { Modifiers::Flags::function, "Fn" },
} };

// The keys whose macOS symbol means nothing on a PC keyboard. Function keys and Space read the same
// on both; the arrows keep their arrows, as Linux desktops draw them too.
const QHash<std::int64_t, QString>& linuxNames()
{
    static const QHash<std::int64_t, QString> names = [] {
        QHash<std::int64_t, QString> names {
            { 36, QStringLiteral("Return") },
            { 51, QStringLiteral("Backspace") },
            { 117, QStringLiteral("Delete") },
            { 119, QStringLiteral("End") },
            { 53, QStringLiteral("Esc") },
            // Where a Mac keyboard has Help, a PC keyboard has Insert.
            { 114, QStringLiteral("Insert") },
            { 115, QStringLiteral("Home") },
            { 48, QStringLiteral("Tab") },
            { 116, QStringLiteral("Page Up") },
            { 121, QStringLiteral("Page Down") },
            { 71, QStringLiteral("Num Lock") },
        };
        const std::int64_t keypadDigits[] { 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };
        for (int n = 0; n < 10; ++n)
            names.insert(keypadDigits[n], QStringLiteral("Num %1").arg(n));
        const std::pair<std::int64_t, const char*> keypad[] {
            { 65, "." },
            { 75, "/" },
            { 76, "Enter" },
            { 81, "=" },
            { 78, "-" },
            { 67, "*" },
            { 69, "+" },
        };
        for (const auto& [code, base] : keypad)
            names.insert(code, QStringLiteral("Num ") + QLatin1String(base));
        return names;
    }();
    return names;
}

} // namespace

QString combination(SystemFamily family, std::uint64_t flags, const QString& key)
{
    if (family == SystemFamily::MacOS)
        return Modifiers::symbolicRepresentation(flags) + key;
    QString text;
    for (const auto& [flag, name] : linuxModifiers)
        if (flags & flag)
            text += QLatin1String(name) + u'+';
    return text + key;
}

QString commandWith(SystemFamily family, const QString& key)
{
    return combination(family, Modifiers::Flags::command, key);
}

std::optional<QString> specialKey(SystemFamily family, std::int64_t keyCode)
{
    auto symbol = SpecialKey::symbol(keyCode);
    if (!symbol || family == SystemFamily::MacOS)
        return symbol;
    return linuxNames().value(keyCode, *symbol);
}

} // namespace GlobalShortcuts::KeyNotation
