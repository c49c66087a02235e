#include "Picker/PickerKey.h"

#include "Platform/KeyEvent.h"

#include <QHash>
#include <QKeyEvent>

namespace {

struct KeyMapping {
    std::uint16_t keyCode = 0xFFFF;
    char16_t character = 0; // private-use character of a special key; 0 for keys that type their own text
};

// Virtual key codes of the ANSI layout, and the private-use characters of keys that type nothing.
const QHash<int, KeyMapping>& keyMappings()
{
    static const QHash<int, KeyMapping> mappings = [] {
        QHash<int, KeyMapping> table {
            { Qt::Key_Return, { KeyCodes::returnKey } },
            { Qt::Key_Enter, { KeyCodes::keypadEnter } },
            { Qt::Key_Tab, { KeyCodes::tab } },
            { Qt::Key_Backtab, { KeyCodes::tab } },
            { Qt::Key_Space, { KeyCodes::space } },
            { Qt::Key_Backspace, { KeyCodes::deleteKey } },
            { Qt::Key_Escape, { KeyCodes::escape } },
            { Qt::Key_Left, { KeyCodes::leftArrow, 0xF702 } },
            { Qt::Key_Right, { KeyCodes::rightArrow, 0xF703 } },
            { Qt::Key_Down, { KeyCodes::downArrow, 0xF701 } },
            { Qt::Key_Up, { KeyCodes::upArrow, 0xF700 } },
            { Qt::Key_Insert, { KeyCodes::help, 0xF727 } },
            { Qt::Key_Help, { KeyCodes::help, 0xF746 } },
            { Qt::Key_Home, { KeyCodes::home, 0xF729 } },
            { Qt::Key_PageUp, { KeyCodes::pageUp, 0xF72C } },
            { Qt::Key_Delete, { KeyCodes::deleteForward, 0xF728 } },
            { Qt::Key_End, { KeyCodes::end, 0xF72B } },
            { Qt::Key_PageDown, { KeyCodes::pageDown, 0xF72D } },
            { Qt::Key_Print, { 105, 0xF72E } },
            { Qt::Key_ScrollLock, { 107, 0xF72F } },
            { Qt::Key_Pause, { 113, 0xF730 } },
            { Qt::Key_Clear, { KeyCodes::keypadClear, 0xF739 } },
        };
        for (int n = 0; n < 20; ++n)
            table.insert(Qt::Key_F1 + n, { KeyCodes::functionKeys[n], static_cast<char16_t>(0xF704 + n) });
        for (int n = 0; n < 26; ++n)
            table.insert(Qt::Key_A + n, { KeyCodes::letters[n] });
        for (int n = 0; n < 10; ++n)
            table.insert(Qt::Key_0 + n, { KeyCodes::digits[n] });
        return table;
    }();
    return mappings;
}

} // namespace

bool PickerKey::isPrintable() const
{
    for (const auto scalar : characters.toUcs4()) {
        if (scalar >= 0xF700 && scalar <= 0xF8FF)
            return false;
        const auto category = QChar::category(scalar);
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            return false;
    }
    return true;
}

PickerKey PickerKey::fromQKeyEvent(const QKeyEvent& event)
{
    PickerKey key;
    const auto mapping = keyMappings().value(event.key());
    key.keyCode = mapping.keyCode;
    key.characters = mapping.character ? QString(QChar(mapping.character)) : event.text();
    const auto modifiers = event.modifiers();
    key.command = modifiers.testFlag(Qt::ControlModifier);
    key.control = modifiers.testFlag(Qt::MetaModifier);
    key.shift = modifiers.testFlag(Qt::ShiftModifier);
    return key;
}

PickerKey PickerKey::fromKeyEvent(const KeyEvent& event)
{
    PickerKey key;
    key.keyCode = event.keyCode;
    key.characters = event.characters;
    key.command = (event.flags & EventFlags::command) != 0;
    key.control = (event.flags & EventFlags::control) != 0;
    key.shift = (event.flags & EventFlags::shift) != 0;
    return key;
}
