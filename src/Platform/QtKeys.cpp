#include "Platform/QtKeys.h"

#include <QHash>
#include <QKeyEvent>

namespace QtKeys {

std::optional<KeyEvent> keyEvent(const QKeyEvent& event)
{
    static const QHash<int, std::uint16_t> keys = [] {
        QHash<int, std::uint16_t> keys {
            { Qt::Key_Return, KeyCodes::returnKey },
            { Qt::Key_Enter, KeyCodes::keypadEnter },
            { Qt::Key_Tab, KeyCodes::tab },
            { Qt::Key_Backtab, KeyCodes::tab },
            { Qt::Key_Space, KeyCodes::space },
            { Qt::Key_Backspace, KeyCodes::deleteKey },
            { Qt::Key_Escape, KeyCodes::escape },
            { Qt::Key_Left, KeyCodes::leftArrow },
            { Qt::Key_Right, KeyCodes::rightArrow },
            { Qt::Key_Down, KeyCodes::downArrow },
            { Qt::Key_Up, KeyCodes::upArrow },
            { Qt::Key_Insert, KeyCodes::help },
            { Qt::Key_Help, KeyCodes::help },
            { Qt::Key_Home, KeyCodes::home },
            { Qt::Key_PageUp, KeyCodes::pageUp },
            { Qt::Key_Delete, KeyCodes::deleteForward },
            { Qt::Key_End, KeyCodes::end },
            { Qt::Key_PageDown, KeyCodes::pageDown },
            { Qt::Key_Clear, KeyCodes::keypadClear },
            { Qt::Key_Equal, KeyCodes::equal },
            { Qt::Key_Minus, KeyCodes::minus },
            { Qt::Key_BracketRight, KeyCodes::rightBracket },
            { Qt::Key_BracketLeft, KeyCodes::leftBracket },
            { Qt::Key_Apostrophe, KeyCodes::quote },
            { Qt::Key_Semicolon, KeyCodes::semicolon },
            { Qt::Key_Backslash, KeyCodes::backslash },
            { Qt::Key_Comma, KeyCodes::comma },
            { Qt::Key_Slash, KeyCodes::slash },
            { Qt::Key_Period, KeyCodes::period },
            { Qt::Key_QuoteLeft, KeyCodes::backtick },
        };
        for (int n = 0; n < 20; ++n)
            keys.insert(Qt::Key_F1 + n, KeyCodes::functionKeys[n]);
        for (int n = 0; n < 26; ++n)
            keys.insert(Qt::Key_A + n, KeyCodes::letters[n]);
        for (int n = 0; n < 10; ++n)
            keys.insert(Qt::Key_0 + n, KeyCodes::digits[n]);
        return keys;
    }();
    const auto found = keys.constFind(event.key());
    if (found == keys.constEnd())
        return std::nullopt;
    KeyEvent key;
    key.keyCode = *found;
    key.isDown = event.type() != QEvent::KeyRelease;
    key.isRepeat = event.isAutoRepeat();
    key.characters = event.text();
    // Qt's Control modifier is the Command key, its Meta modifier the Control key.
    const auto modifiers = event.modifiers();
    if (modifiers & Qt::ControlModifier)
        key.flags |= EventFlags::command;
    if (modifiers & Qt::MetaModifier)
        key.flags |= EventFlags::control;
    if (modifiers & Qt::AltModifier)
        key.flags |= EventFlags::option;
    if (modifiers & Qt::ShiftModifier)
        key.flags |= EventFlags::shift;
    if (modifiers & Qt::KeypadModifier)
        key.flags |= EventFlags::numericPad;
    if (KeyCodes::synthesizesFunction(key.keyCode))
        key.flags |= EventFlags::function;
    return key;
}

} // namespace QtKeys
