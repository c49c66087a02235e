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
            { Qt::Key_Return, { 36 } },
            { Qt::Key_Enter, { 76 } },
            { Qt::Key_Tab, { 48 } },
            { Qt::Key_Backtab, { 48 } },
            { Qt::Key_Space, { 49 } },
            { Qt::Key_Backspace, { 51 } },
            { Qt::Key_Escape, { 53 } },
            { Qt::Key_Left, { 123, 0xF702 } },
            { Qt::Key_Right, { 124, 0xF703 } },
            { Qt::Key_Down, { 125, 0xF701 } },
            { Qt::Key_Up, { 126, 0xF700 } },
            { Qt::Key_Insert, { 114, 0xF727 } },
            { Qt::Key_Help, { 114, 0xF746 } },
            { Qt::Key_Home, { 115, 0xF729 } },
            { Qt::Key_PageUp, { 116, 0xF72C } },
            { Qt::Key_Delete, { 117, 0xF728 } },
            { Qt::Key_End, { 119, 0xF72B } },
            { Qt::Key_PageDown, { 121, 0xF72D } },
            { Qt::Key_Print, { 105, 0xF72E } },
            { Qt::Key_ScrollLock, { 107, 0xF72F } },
            { Qt::Key_Pause, { 113, 0xF730 } },
            { Qt::Key_Clear, { 71, 0xF739 } },
        };
        const std::uint16_t functionCodes[]
            = { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90 };
        for (int n = 0; n < 20; ++n)
            table.insert(Qt::Key_F1 + n, { functionCodes[n], static_cast<char16_t>(0xF704 + n) });
        const std::uint16_t letterCodes[] = { 0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46, 45, 31, 35, 12,
            15, 1, 17, 32, 9, 13, 7, 16, 6 };
        for (int n = 0; n < 26; ++n)
            table.insert(Qt::Key_A + n, { letterCodes[n] });
        const std::uint16_t digitCodes[] = { 29, 18, 19, 20, 21, 23, 22, 26, 28, 25 };
        for (int n = 0; n < 10; ++n)
            table.insert(Qt::Key_0 + n, { digitCodes[n] });
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
