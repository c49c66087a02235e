#include "GlobalShortcuts/KeyNotation.h"

#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/SpecialKey.h"
#include "Platform/KeyEvent.h"

#include <QHash>

#include <array>
#include <utility>

namespace GlobalShortcuts::KeyNotation {
namespace {

// In the order Linux desktops write them.
constexpr std::array<std::pair<std::uint64_t, const char*>, 5> linuxModifiers { {
    { EventFlags::command, "Ctrl" },
    { EventFlags::option, "Alt" },
    { EventFlags::shift, "Shift" },
    { EventFlags::control, "Super" },
    { EventFlags::function, "Fn" },
} };

// The keys whose macOS symbol means nothing on a PC keyboard. Function keys and Space read the same
// on both; the arrows keep their arrows, as Linux desktops draw them too.
const QHash<std::int64_t, QString>& linuxNames()
{
    static const QHash<std::int64_t, QString> names = [] {
        QHash<std::int64_t, QString> names {
            { KeyCodes::returnKey, QStringLiteral("Return") },
            { KeyCodes::deleteKey, QStringLiteral("Backspace") },
            { KeyCodes::deleteForward, QStringLiteral("Delete") },
            { KeyCodes::end, QStringLiteral("End") },
            { KeyCodes::escape, QStringLiteral("Esc") },
            // Where a Mac keyboard has Help, a PC keyboard has Insert.
            { KeyCodes::help, QStringLiteral("Insert") },
            { KeyCodes::home, QStringLiteral("Home") },
            { KeyCodes::tab, QStringLiteral("Tab") },
            { KeyCodes::pageUp, QStringLiteral("Page Up") },
            { KeyCodes::pageDown, QStringLiteral("Page Down") },
            { KeyCodes::keypadClear, QStringLiteral("Num Lock") },
        };
        for (int n = 0; n < 10; ++n)
            names.insert(KeyCodes::keypadDigits[n], QStringLiteral("Num %1").arg(n));
        const std::pair<std::int64_t, const char*> keypad[] {
            { KeyCodes::keypadDecimal, "." },
            { KeyCodes::keypadDivide, "/" },
            { KeyCodes::keypadEnter, "Enter" },
            { KeyCodes::keypadEquals, "=" },
            { KeyCodes::keypadMinus, "-" },
            { KeyCodes::keypadMultiply, "*" },
            { KeyCodes::keypadPlus, "+" },
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
    return combination(family, EventFlags::command, key);
}

std::optional<QString> specialKey(SystemFamily family, std::int64_t keyCode)
{
    auto symbol = SpecialKey::symbol(keyCode);
    if (!symbol || family == SystemFamily::MacOS)
        return symbol;
    return linuxNames().value(keyCode, *symbol);
}

} // namespace GlobalShortcuts::KeyNotation
