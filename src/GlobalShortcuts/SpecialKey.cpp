#include "GlobalShortcuts/SpecialKey.h"

#include "GlobalShortcuts/ShortcutTexts.h"
#include "Platform/KeyCodes.h"

#include <QHash>

namespace GlobalShortcuts::SpecialKey {
namespace {

constexpr char16_t keycap = 0x20E3;

const QHash<std::int64_t, QString>& symbols()
{
    static const QHash<std::int64_t, QString> table = [] {
        QHash<std::int64_t, QString> table {
            { KeyCodes::returnKey, QStringLiteral("\u21A9") },
            { KeyCodes::deleteKey, QStringLiteral("\u232B") },
            { KeyCodes::deleteForward, QStringLiteral("\u2326") },
            { KeyCodes::end, QStringLiteral("\u2198") },
            { KeyCodes::escape, QStringLiteral("\u238B") },
            { KeyCodes::help, QStringLiteral("?\u20DD") },
            { KeyCodes::home, QStringLiteral("\u2196") },
            { KeyCodes::space, QString() }, // looked up when shown: it is the one localised symbol
            { KeyCodes::tab, QStringLiteral("\u21E5") },
            { KeyCodes::pageUp, QStringLiteral("\u21DE") },
            { KeyCodes::pageDown, QStringLiteral("\u21DF") },
            { KeyCodes::upArrow, QStringLiteral("\u2191") },
            { KeyCodes::rightArrow, QStringLiteral("\u2192") },
            { KeyCodes::downArrow, QStringLiteral("\u2193") },
            { KeyCodes::leftArrow, QStringLiteral("\u2190") },
        };
        for (int n = 0; n < 20; ++n)
            table.insert(KeyCodes::functionKeys[n], QStringLiteral("F%1").arg(n + 1));
        for (int n = 0; n < 10; ++n)
            table.insert(KeyCodes::keypadDigits[n], QString::number(n) + QChar(keycap));
        const std::pair<std::int64_t, QString> keypad[] {
            { KeyCodes::keypadClear, QStringLiteral("\u2612") },
            { KeyCodes::keypadDecimal, QStringLiteral(".") },
            { KeyCodes::keypadDivide, QStringLiteral("/") },
            { KeyCodes::keypadEnter, QStringLiteral("\u21A9") },
            { KeyCodes::keypadEquals, QStringLiteral("=") },
            { KeyCodes::keypadMinus, QStringLiteral("-") },
            { KeyCodes::keypadMultiply, QStringLiteral("*") },
            { KeyCodes::keypadPlus, QStringLiteral("+") },
        };
        for (const auto& [code, base] : keypad)
            table.insert(code, base + QChar(keycap));
        return table;
    }();
    return table;
}

} // namespace

std::optional<QString> symbol(std::int64_t keyCode)
{
    const auto found = symbols().constFind(keyCode);
    if (found == symbols().constEnd())
        return std::nullopt;
    if (keyCode == KeyCodes::space) {
        auto space = ShortcutTexts::text("space_key");
        if (!space.isEmpty())
            space[0] = space[0].toUpper();
        return space;
    }
    return *found;
}

int count()
{
    return static_cast<int>(symbols().size());
}

} // namespace GlobalShortcuts::SpecialKey
