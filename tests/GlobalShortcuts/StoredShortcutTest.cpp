#include "GlobalShortcuts/StoredShortcut.h"

#include <gtest/gtest.h>

using namespace GlobalShortcuts;
using State = StoredShortcut::State;

namespace {

TEST(StoredShortcutTest, WritesCompactJsonInFixedOrderAndReadsItBack)
{
    const Shortcut commandShiftA { 0, 768 };
    EXPECT_EQ(StoredShortcut::encode(commandShiftA),
        QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768})"));
    const auto read = StoredShortcut::decode(DefaultsValue(StoredShortcut::encode(commandShiftA)));
    EXPECT_EQ(read.state, State::Shortcut);
    EXPECT_EQ(read.shortcut, commandShiftA);
    // Order and spacing do not matter when reading.
    EXPECT_EQ(
        StoredShortcut::decodeJson(QStringLiteral(R"( { "carbonModifiers" : 256 , "carbonKeyCode" : 12 } )")),
        (Shortcut { 12, 256 }));
    EXPECT_EQ(StoredShortcut::decodeJson(
                  QStringLiteral(R"({"carbonKeyCode":-5,"carbonModifiers":9223372036854775807})")),
        (Shortcut { -5, INT64_MAX }));
}

TEST(StoredShortcutTest, FalseIsDisabledAndNothingIsNotSet)
{
    EXPECT_EQ(StoredShortcut::decode(DefaultsValue(false)).state, State::Disabled);
    EXPECT_EQ(StoredShortcut::decode(std::nullopt).state, State::NotSet);
}

TEST(StoredShortcutTest, EveryOtherShapeReadsAsNotSet)
{
    QString loneSurrogate = QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":0,"x":"?"})");
    loneSurrogate[loneSurrogate.size() - 3] = QChar(0xD800);
    QString validButSurrogate = QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":0})");
    validButSurrogate.append(QChar(0xDC00));
    const DefaultsValue values[] {
        DefaultsValue(true),
        DefaultsValue(0),
        DefaultsValue(1),
        DefaultsValue(0.0),
        DefaultsValue(DefaultsValue::Date { 12.5 }),
        DefaultsValue(QByteArray(R"({"carbonKeyCode":0,"carbonModifiers":768})")),
        DefaultsValue(QString()),
        DefaultsValue(QStringLiteral("false")),
        DefaultsValue(QStringLiteral("not json")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768,"extra":1})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768.0})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":1.5,"carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":1e3,"carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":9223372036854775808,"carbonModifiers":0})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":99999999999999999999999,"carbonModifiers":0})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":"0","carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":true,"carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":null,"carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":[0],"carbonModifiers":768})")),
        DefaultsValue(QStringLiteral(R"([{"carbonKeyCode":0,"carbonModifiers":768}])")),
        DefaultsValue(QStringLiteral(R"([0,768])")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonKeyCode":1})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768,"carbonModifiers":1})")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768} x)")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768)")),
        DefaultsValue(QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768}/* c */)")),
        DefaultsValue(loneSurrogate),
        DefaultsValue(validButSurrogate),
        DefaultsValue(
            QString(5000, QLatin1Char(' ')) + QStringLiteral(R"({"carbonKeyCode":0,"carbonModifiers":768})")),
        DefaultsValue(QString(100000, QLatin1Char('[')) + QString(100000, QLatin1Char(']'))),
    };
    int index = 0;
    for (const auto& value : values) {
        const auto read = StoredShortcut::decode(value);
        EXPECT_EQ(read.state, State::NotSet) << "value " << index;
        EXPECT_FALSE(read.shortcut) << "value " << index;
        ++index;
    }
}

} // namespace
