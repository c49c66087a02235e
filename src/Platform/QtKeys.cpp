#include "Platform/QtKeys.h"

#include <QHash>
#include <QKeyEvent>

namespace QtKeys {

bool synthesizesFunction(std::int64_t keyCode)
{
    for (const auto code : KeyCodes::functionKeys)
        if (code == keyCode)
            return true;
    switch (keyCode) {
    case KeyCodes::help:
    case KeyCodes::forwardDelete:
    case KeyCodes::clear:
    case KeyCodes::home:
    case KeyCodes::end:
    case KeyCodes::pageUp:
    case KeyCodes::pageDown:
    case KeyCodes::upArrow:
    case KeyCodes::downArrow:
    case KeyCodes::leftArrow:
    case KeyCodes::rightArrow:
        return true;
    default:
        return false;
    }
}

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
            { Qt::Key_Delete, KeyCodes::forwardDelete },
            { Qt::Key_End, KeyCodes::end },
            { Qt::Key_PageDown, KeyCodes::pageDown },
            { Qt::Key_Clear, KeyCodes::clear },
            { Qt::Key_Equal, 24 },
            { Qt::Key_Minus, 27 },
            { Qt::Key_BracketRight, 30 },
            { Qt::Key_BracketLeft, 33 },
            { Qt::Key_Apostrophe, 39 },
            { Qt::Key_Semicolon, 41 },
            { Qt::Key_Backslash, 42 },
            { Qt::Key_Comma, 43 },
            { Qt::Key_Slash, 44 },
            { Qt::Key_Period, 47 },
            { Qt::Key_QuoteLeft, 50 },
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
    if (synthesizesFunction(key.keyCode))
        key.flags |= EventFlags::function;
    return key;
}

} // namespace QtKeys
