#include "GlobalShortcuts/SpecialKey.h"

#include "GlobalShortcuts/ShortcutTexts.h"

#include <QHash>

namespace GlobalShortcuts::SpecialKey {
namespace {

constexpr char16_t keycap = 0x20E3;

const QHash<std::int64_t, QString>& symbols()
{
    static const QHash<std::int64_t, QString> table = [] {
        QHash<std::int64_t, QString> table {
            { 36, QStringLiteral("\u21A9") },
            { 51, QStringLiteral("\u232B") },
            { 117, QStringLiteral("\u2326") },
            { 119, QStringLiteral("\u2198") },
            { 53, QStringLiteral("\u238B") },
            { 114, QStringLiteral("?\u20DD") },
            { 115, QStringLiteral("\u2196") },
            { 49, QString() }, // looked up when shown: it is the one localised symbol
            { 48, QStringLiteral("\u21E5") },
            { 116, QStringLiteral("\u21DE") },
            { 121, QStringLiteral("\u21DF") },
            { 126, QStringLiteral("\u2191") },
            { 124, QStringLiteral("\u2192") },
            { 125, QStringLiteral("\u2193") },
            { 123, QStringLiteral("\u2190") },
        };
        const std::int64_t functionCodes[] { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107,
            113, 106, 64, 79, 80, 90 };
        for (int n = 0; n < 20; ++n)
            table.insert(functionCodes[n], QStringLiteral("F%1").arg(n + 1));
        const std::int64_t keypadCodes[] { 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 };
        for (int n = 0; n < 10; ++n)
            table.insert(keypadCodes[n], QString::number(n) + QChar(keycap));
        const std::pair<std::int64_t, QString> keypad[] {
            { 71, QStringLiteral("\u2612") },
            { 65, QStringLiteral(".") },
            { 75, QStringLiteral("/") },
            { 76, QStringLiteral("\u21A9") },
            { 81, QStringLiteral("=") },
            { 78, QStringLiteral("-") },
            { 67, QStringLiteral("*") },
            { 69, QStringLiteral("+") },
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
    if (keyCode == 49) {
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
