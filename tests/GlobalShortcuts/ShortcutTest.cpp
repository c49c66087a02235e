#include "GlobalShortcuts/Shortcut.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/KeyNotation.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/SpecialKey.h"
#include "Platform/HotKeyService.h"
#include "Platform/KeyEvent.h"
#include "ShortcutEnvironment.h"

#include <algorithm>

using namespace GlobalShortcuts;

namespace {

struct ModifierRow {
    std::uint64_t flag;
    std::uint32_t bit;
    const char16_t* symbol;
};

const ModifierRow modifierRows[] {
    { 0x40000, 0x1000, u"\u2303" },
    { 0x80000, 0x800, u"\u2325" },
    { 0x20000, 0x200, u"\u21E7" },
    { 0x100000, 0x100, u"\u2318" },
    { 0x800000, 0x20000, u"\U0001F310\uFE0E" },
};

class ShortcutTest : public ShortcutEnvironment { };

TEST_F(ShortcutTest, EachModifierConvertsBothWaysAndOthersAreDropped)
{
    for (const auto& row : modifierRows) {
        EXPECT_EQ(HotKeyService::bitsForFlags(row.flag), row.bit);
        EXPECT_EQ(HotKeyService::flagsForBits(row.bit), row.flag);
        EXPECT_EQ(Modifiers::symbolicRepresentation(row.flag), QString::fromUtf16(row.symbol));
        // Caps Lock, the numeric-pad marker and device bits are not modifiers of a shortcut.
        EXPECT_EQ(HotKeyService::bitsForFlags(row.flag | 0x10000 | 0x200000 | 0x1), row.bit);
        EXPECT_EQ(HotKeyService::flagsForBits(row.bit | 0x80 | 0x400), row.flag);
    }
    EXPECT_EQ(Modifiers::symbolicRepresentation(0), QString());
    // Always Control, Option, Shift, Command, Function, whatever the bits.
    EXPECT_EQ(Modifiers::symbolicRepresentation(0xFE0000),
        QString::fromUtf16(u"\u2303\u2325\u21E7\u2318\U0001F310\uFE0E"));
}

TEST_F(ShortcutTest, SpecialKeysShowTheirSymbols)
{
    const std::pair<std::int64_t, const char16_t*> rows[] {
        { 36, u"\u21A9" },
        { 51, u"\u232B" },
        { 117, u"\u2326" },
        { 119, u"\u2198" },
        { 53, u"\u238B" },
        { 114, u"?\u20DD" },
        { 115, u"\u2196" },
        { 49, u"Пробел" },
        { 48, u"\u21E5" },
        { 116, u"\u21DE" },
        { 121, u"\u21DF" },
        { 126, u"\u2191" },
        { 124, u"\u2192" },
        { 125, u"\u2193" },
        { 123, u"\u2190" },
        { 122, u"F1" },
        { 120, u"F2" },
        { 99, u"F3" },
        { 118, u"F4" },
        { 96, u"F5" },
        { 97, u"F6" },
        { 98, u"F7" },
        { 100, u"F8" },
        { 101, u"F9" },
        { 109, u"F10" },
        { 103, u"F11" },
        { 111, u"F12" },
        { 105, u"F13" },
        { 107, u"F14" },
        { 113, u"F15" },
        { 106, u"F16" },
        { 64, u"F17" },
        { 79, u"F18" },
        { 80, u"F19" },
        { 90, u"F20" },
        { 82, u"0\u20E3" },
        { 83, u"1\u20E3" },
        { 84, u"2\u20E3" },
        { 85, u"3\u20E3" },
        { 86, u"4\u20E3" },
        { 87, u"5\u20E3" },
        { 88, u"6\u20E3" },
        { 89, u"7\u20E3" },
        { 91, u"8\u20E3" },
        { 92, u"9\u20E3" },
        { 71, u"\u2612\u20E3" },
        { 65, u".\u20E3" },
        { 75, u"/\u20E3" },
        { 76, u"\u21A9\u20E3" },
        { 81, u"=\u20E3" },
        { 78, u"-\u20E3" },
        { 67, u"*\u20E3" },
        { 69, u"+\u20E3" },
    };
    ASSERT_EQ(std::size(rows), 53u);
    EXPECT_EQ(SpecialKey::count(), 53);
    for (const auto& [code, symbol] : rows) {
        EXPECT_EQ(SpecialKey::symbol(code), QString::fromUtf16(symbol)) << code;
        // A special key's symbol wins over whatever the layout would type for it.
        hotKeys.setCharacter(code, QStringLiteral("x"));
        EXPECT_EQ(
            (Shortcut { code, 0 }.presentableDescription(shortcuts().services())), QString::fromUtf16(symbol))
            << code;
        EXPECT_FALSE((Shortcut { code, 0 }.keyToCharacter(shortcuts().services()))) << code;
    }
    EXPECT_FALSE(SpecialKey::symbol(Key::a));
}

TEST_F(ShortcutTest, DescriptionsReadAsTheKeysShowThem)
{
    EXPECT_EQ(Shortcut::from(Key::a, cmd | shift).presentableDescription(shortcuts().services()),
        QString::fromUtf16(u"\u21E7\u2318A"));
    EXPECT_EQ(Shortcut::from(Key::deleteKey, ctrl | opt).presentableDescription(shortcuts().services()),
        QString::fromUtf16(u"\u2303\u2325\u232B"));
    EXPECT_EQ(
        Shortcut::from(Key::f5, 0).presentableDescription(shortcuts().services()), QStringLiteral("F5"));
    EXPECT_EQ(Shortcut::from(Key::keypad7, 0).presentableDescription(shortcuts().services()),
        QString::fromUtf16(u"7\u20E3"));
    // The layout decides what a plain key shows, capitalised.
    hotKeys.setCharacter(Key::q, QStringLiteral("й"));
    EXPECT_EQ(Shortcut::from(Key::q, cmd).presentableDescription(shortcuts().services()),
        QString::fromUtf16(u"\u2318Й"));
    // A key that types nothing, or more than one character, or a code beyond the layout's range.
    const QChar replacement(0xFFFD);
    hotKeys.setCharacter(Key::w, QString());
    EXPECT_EQ(Shortcut::from(Key::w, 0).keyToCharacter(shortcuts().services()), QString(replacement));
    hotKeys.setCharacter(Key::e, QStringLiteral("ee"));
    EXPECT_EQ(Shortcut::from(Key::e, 0).keyToCharacter(shortcuts().services()), QString(replacement));
    // One character built of a letter and a combining mark is still one character.
    hotKeys.setCharacter(Key::r, QString::fromUtf16(u"e\u0301"));
    EXPECT_EQ(
        Shortcut::from(Key::r, 0).keyToCharacter(shortcuts().services()), QString::fromUtf16(u"E\u0301"));
    EXPECT_EQ((Shortcut { 70000, 0 }.keyToCharacter(shortcuts().services())), QString(replacement));
    EXPECT_EQ((Shortcut { -1, 0x100 }.presentableDescription(shortcuts().services())),
        QString::fromUtf16(u"\u2318") + replacement);
}

TEST_F(ShortcutTest, OnLinuxKeysAreWrittenInTheDesktopsWords)
{
    auto onLinux = shortcuts().services();
    onLinux.family = SystemFamily::Linux;
    EXPECT_EQ(
        Shortcut::from(Key::d, cmd | shift).presentableDescription(onLinux), QStringLiteral("Ctrl+Shift+D"));
    // Always Ctrl, Alt, Shift, Super, Fn, whatever the bits.
    EXPECT_EQ(Shortcut::from(Key::deleteKey, ctrl | opt | shift | cmd | fn).presentableDescription(onLinux),
        QStringLiteral("Ctrl+Alt+Shift+Super+Fn+Backspace"));
    EXPECT_EQ(Shortcut::from(Key::f5, 0).presentableDescription(onLinux), QStringLiteral("F5"));
    EXPECT_EQ(Shortcut::from(Key::keypad7, opt).presentableDescription(onLinux), QStringLiteral("Alt+Num 7"));
    EXPECT_EQ(
        Shortcut::from(Key::returnKey, cmd).presentableDescription(onLinux), QStringLiteral("Ctrl+Return"));
    EXPECT_EQ(Shortcut::from(Key::space, cmd).presentableDescription(onLinux), QStringLiteral("Ctrl+Пробел"));
    hotKeys.setCharacter(Key::q, QStringLiteral("й"));
    EXPECT_EQ(Shortcut::from(Key::q, cmd).presentableDescription(onLinux), QStringLiteral("Ctrl+Й"));
    // Only the arrows keep their symbols; the other symbols are the Mac's own.
    for (std::int64_t code = 0; code < 128; ++code) {
        const auto name = KeyNotation::specialKey(SystemFamily::Linux, code);
        if (!name || (code >= Key::leftArrow && code <= Key::upArrow))
            continue;
        EXPECT_TRUE(std::all_of(name->begin(), name->end(), [](QChar c) { return c.unicode() < 0x2000; }))
            << code << name->toStdString();
    }
}

TEST_F(ShortcutTest, ShortcutsKeepOnlyTheFiveModifiersAndEventsLoseTheFunctionFlag)
{
    const auto fromFlags = Shortcut::from(Key::s, cmd | shift | fn | 0x10000 | 0x200000);
    EXPECT_EQ(fromFlags.carbonKeyCode, 1);
    EXPECT_EQ(fromFlags.carbonModifiers, 0x100 | 0x200 | 0x20000);
    EXPECT_EQ(fromFlags.modifiers(), cmd | shift | fn);
    EXPECT_EQ(fromFlags.key(), Key::s);

    const KeyEvent arrow { static_cast<std::uint16_t>(Key::upArrow), true, false, ctrl | fn | 0x10000, 0,
        {} };
    EXPECT_EQ(Shortcut::from(arrow), (Shortcut { 126, 0x1000 }));
}

TEST_F(ShortcutTest, TheSystemSetsTheFunctionFlagOnTheFunctionKeysAndTheNavigationBlock)
{
    int functionKeys = 0;
    int synthesizing = 0;
    for (std::int64_t code = 0; code < 256; ++code) {
        functionKeys += KeyCodes::isFunctionKey(code);
        synthesizing += KeyCodes::synthesizesFunction(code);
    }
    EXPECT_EQ(functionKeys, 20);
    EXPECT_EQ(synthesizing, 31);
    EXPECT_TRUE(KeyCodes::synthesizesFunction(Key::leftArrow));
    EXPECT_FALSE(KeyCodes::synthesizesFunction(Key::a));
}

} // namespace
