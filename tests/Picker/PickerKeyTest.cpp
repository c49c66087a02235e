#include "Picker/PickerKey.h"

#include "Platform/KeyEvent.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

TEST(PickerKey, PrintableRejectsControlFormatAndSpecialKeyCharacters)
{
    const std::vector<std::pair<QString, bool>> cases {
        { QStringLiteral("a"), true }, { QStringLiteral("Ж"), true }, { QStringLiteral("😀"), true },
        { QStringLiteral(" "), true }, { QString(), true }, { QString(QChar(0xF704)), false }, // F1
        { QString(QChar(0xF702)), false }, // left arrow
        { QString(QChar(0xF8FF)), false }, { QStringLiteral("\x1b"), false },
        { QStringLiteral("a\t"), false }, { QString(QChar(0x7F)), false },
        { QString(QChar(0x200D)), false }, // zero-width joiner, a format character
    };
    for (const auto& [characters, printable] : cases) {
        PickerKey key;
        key.characters = characters;
        EXPECT_EQ(key.isPrintable(), printable) << characters.toStdString();
    }
}

TEST(PickerKey, WindowKeysBecomeVirtualKeyCodesAndModifiers)
{
    const QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::ControlModifier, QStringLiteral("\b"));
    auto key = PickerKey::fromQKeyEvent(backspace);
    EXPECT_EQ(key.keyCode, KeyCodes::deleteKey);
    EXPECT_TRUE(key.command);
    EXPECT_FALSE(key.control);

    const QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    key = PickerKey::fromQKeyEvent(backtab);
    EXPECT_EQ(key.keyCode, KeyCodes::tab);
    EXPECT_TRUE(key.shift);

    const QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
    EXPECT_EQ(PickerKey::fromQKeyEvent(enter).keyCode, KeyCodes::keypadEnter);

    const QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    key = PickerKey::fromQKeyEvent(f5);
    EXPECT_EQ(key.characters, QString(QChar(0xF708)));
    EXPECT_FALSE(key.isPrintable());

    const QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::MetaModifier, QStringLiteral("ф"));
    key = PickerKey::fromQKeyEvent(letter);
    EXPECT_EQ(key.keyCode, 0);
    EXPECT_EQ(key.characters, QStringLiteral("ф"));
    EXPECT_TRUE(key.control);

    KeyEvent posted;
    posted.keyCode = 51;
    posted.flags = EventFlags::command | EventFlags::shift | EventFlags::option;
    key = PickerKey::fromKeyEvent(posted);
    EXPECT_TRUE(key.command);
    EXPECT_TRUE(key.shift);
    EXPECT_FALSE(key.control);
}
