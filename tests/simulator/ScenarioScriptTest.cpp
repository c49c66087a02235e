#include "ScenarioScript.h"

#include <gtest/gtest.h>

namespace {

QString parseError(const char* text)
{
    const auto parsed = ScenarioScript::parse(QString::fromUtf8(text));
    return parsed.error ? QStringLiteral("%1: %2").arg(parsed.error->line).arg(parsed.error->reason)
                        : QString();
}

} // namespace

// Every command form the scenario language defines is accepted as written: those the scenarios under
// tests/scenarios and the tour use are read there, and those the random runs' generator writes in each run.
TEST(ScenarioScriptTest, AcceptsEveryCommandForm)
{
    const char* lines[] = {
        "trust off  # comment",
        "front self",
        "caret none",
        "screen 0 0 1440 900  0 0 1440 875  2",
        "default screenshotFolder \"~/Shots # not a comment\"",
        "default-in com.apple.screencapture location \"~/Shots\"",
        "login-item ok",
        "login-item fail \"no\"",
        "folder cancel",
        "http https://u.example/a.dmg 200 file /tmp/a.dmg",
        "http https://u.example/a fail",
        "copy public.foo=bytes:10,x=hex:00ff,file-url=\"file:///tmp/a\" text=file:/etc/hostname",
        "key repeat f12",
        "press forwarddelete",
        "picker click 2147483647",
        "hold c cmd 60",
        "expect pasteboard.items[0].data[\"public.utf8-plain-text\"] contains \"x\"",
        "expect picker.frame != null",
        "editor open \"Скриншот 1.png\" 1.5",
        "editor click 10 20.5",
        "editor move 5 5",
        "editor exit",
        "dump settingsWindow",
    };
    for (const char* line : lines)
        EXPECT_EQ(parseError(line), QString()) << line;
}

TEST(ScenarioScriptTest, RefusesMalformedLinesNamingThem)
{
    const std::pair<const char*, const char*> cases[] = {
        { "start\nfly away", "2: unknown command \"fly\"" },
        { "trust maybe", "1: expected on or off" },
        { "wait -1", "1: expected a number of seconds" },
        { "wait 1e3", "1: expected a number of seconds" },
        { "key sideways v", "1: expected down, up or repeat" },
        { "press q hyper", "1: unknown modifier \"hyper\"" },
        { "press qq", "1: unknown key \"qq\"" },
        { "hold v cmd", "1: expected KEY [MOD…] SECONDS" },
        { "copy text=hi", "1: bad value \"hi\"" },
        { "copy png=png:0x3", "1: bad image size \"0x3\"" },
        { "copy text=\"open", "1: unterminated string" },
        { "default x {\"a\":1}", "1: not a defaults value: {\"a\":1}" },
        { "expect history.count === 1", "1: unknown operator \"===\"" },
        { "expect history..count == 1", "1: bad path \"history..count\"" },
        { "expect history.count == [1", "1: malformed JSON [1" },
        { "dump everything",
            "1: expected one of all app settings history pasteboard picker windows defaults files bundle "
            "editor shortcuts "
            "settingsWindow thumbnail screenshots" },
        { "picker click 0", "1: the row must be a whole number from 1 to 2147483647" },
        { "recorder press", "1: expected click" },
        { "settings toggle Пауза", "1: expected choose \"ROW\" \"CHOICE\", toggle \"ROW\" or click \"ROW\"" },
        { "settings choose \"Хранить записей\"",
            "1: expected choose \"ROW\" \"CHOICE\", toggle \"ROW\" or click \"ROW\"" },
        { "system-shortcut", "1: expected KEY [MOD…]" },
        { "picker tap 1", "1: expected click N" },
        { "capture png 10", "1: expected png W H, truncated W H, cancel, fail, empty or crash" },
        { "capture truncated 0 5", "1: the size must be whole numbers from 1 to 20000" },
        { "capture-time -1", "1: expected a number of seconds up to 86400" },
        { "thumbnail hover", "1: expected click, hover on|off or drag" },
        { "menu Пауза", "1: expected one quoted string" },
        { "wait 86400.5", "1: a wait is at most 86400 seconds; split a longer one" },
        { "wait 100000000000000000000000000000", "1: a wait is at most 86400 seconds; split a longer one" },
        { "hold v cmd 60.01", "1: a hold lasts at most 60 seconds" },
        { "picker click 2147483648", "1: the row must be a whole number from 1 to 2147483647" },
        { "picker click 1.5", "1: the row must be a whole number from 1 to 2147483647" },
        { "copy x=hex:abc", "1: bad hex \"abc\"" },
        { "copy x=bytes:268435456 y=bytes:1", "1: one copy holds at most 268435456 bytes of bytes:N" },
        { "copy x=hex:\u0661\u0662", "1: bad hex \"\u0661\u0662\"" },
        { "editor open shot.png 0", "1: the scale must be a positive number" },
        { "editor tool pencil", "1: expected tool blur, arrow or number" },
        { "editor drag 1 2 3", "1: expected drag X1 Y1 X2 Y2 [X Y…]" },
        { "editor drag 1 2 3 4 5", "1: expected drag X1 Y1 X2 Y2 [X Y…]" },
        { "editor button Готово", "1: expected button \"TEXT\"" },
        { "editor resize 10001 700", "1: a window is at most 10000 points on a side" },
        { "editor paint", "1: expected open, tool, brush, click, drag, move, exit, button, close or resize" },
    };
    for (const auto& [text, error] : cases)
        EXPECT_EQ(parseError(text), QString::fromUtf8(error)) << text;
}

TEST(ScenarioScriptTest, ItemsDecodeAndFillerIsMadeLater)
{
    // Paths, as every scenario's expectations use them, are read there.
    QString error;
    const auto item
        = ScenarioScript::item(QStringLiteral("text=\"a,b\",rtf=\"{\\\\rtf1}\",x=hex:6162"), &error);
    ASSERT_TRUE(item) << error.toStdString();
    ASSERT_EQ(item->size(), 3u);
    EXPECT_EQ((*item)[0].first, QStringLiteral("public.utf8-plain-text"));
    EXPECT_EQ((*item)[0].second.bytes, QByteArray("a,b"));
    EXPECT_EQ((*item)[1].second.bytes, QByteArray("{\\rtf1}"));
    EXPECT_EQ((*item)[2].second.bytes, QByteArray("ab"));

    // Filler is made when the copy runs, not when the line is read.
    const auto filler = ScenarioScript::item(QStringLiteral("x=bytes:268435456"), &error);
    ASSERT_TRUE(filler) << error.toStdString();
    EXPECT_EQ((*filler)[0].second.kind, ScenarioScript::Value::Kind::Letters);
    EXPECT_EQ((*filler)[0].second.count, 268435456);
    EXPECT_TRUE((*filler)[0].second.bytes.isEmpty());
}

// Values nested deeper than the transcript can print back are refused, not left to overflow the stack.
TEST(ScenarioScriptTest, RefusesDeeplyNestedJson)
{
    const auto nested = [](int depth) {
        return "expect history.count == " + std::string(depth, '[') + std::string(depth, ']');
    };
    EXPECT_EQ(parseError(nested(64).c_str()), QString());
    EXPECT_EQ(parseError(nested(65).c_str()), QStringLiteral("1: JSON nested deeper than 64 levels"));
    EXPECT_EQ(parseError(nested(1'000'000).c_str()), QStringLiteral("1: JSON nested deeper than 64 levels"));
    // Brackets inside strings are text.
    EXPECT_EQ(parseError(("expect history.count == \"" + std::string(100, '[') + "\"").c_str()), QString());
}

// Lines of megabytes are read whole: every token, its text and the JSON tail come out right.
TEST(ScenarioScriptTest, ReadsLinesOfMegabytes)
{
    constexpr int itemCount = 100'000;
    QString copy = QStringLiteral("copy");
    for (int i = 0; i < itemCount; ++i)
        copy += QStringLiteral(" text=\"%1 #\"").arg(i, 6, 10, QLatin1Char('0'));
    const QString hex(1'000'000, u'f');
    copy += QStringLiteral(" x=hex:") + hex + QStringLiteral("   # the end");
    const QString longString(1'000'000, u'q');
    const QString expect = QStringLiteral("expect history.items[0].preview == \"") + longString
        + QStringLiteral("\"  # comment");
    ASSERT_GT(copy.size(), 2'000'000);

    const auto parsed = ScenarioScript::parse(copy + u'\n' + expect);
    ASSERT_FALSE(parsed.error) << parsed.error->reason.left(200).toStdString();
    ASSERT_EQ(parsed.commands.size(), 2u);
    const auto& items = parsed.commands[0].args;
    ASSERT_EQ(items.size(), std::size_t(itemCount) + 1);
    EXPECT_EQ(items[0].text, QStringLiteral("text=\"000000 #\""));
    EXPECT_EQ(items[itemCount - 1].text, QStringLiteral("text=\"099999 #\""));
    EXPECT_EQ(items.back().text, QStringLiteral("x=hex:") + hex);
    QString error;
    const auto last = ScenarioScript::item(items.back().text, &error);
    ASSERT_TRUE(last) << error.left(200).toStdString();
    EXPECT_EQ((*last)[0].second.bytes, QByteArray(500'000, '\xff'));
    EXPECT_EQ(parsed.commands[1].tail, QStringLiteral("\"") + longString + QStringLiteral("\""));
}
