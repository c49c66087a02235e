#include "GlobalShortcuts/MenuItem.h"

#include "GlobalShortcuts/Shortcut.h"
#include "Platform/KeyEvent.h"

#include <QHash>

namespace GlobalShortcuts {
namespace {

// The menu key a special key is written with in a key equivalent.
const QHash<std::int64_t, int>& specialMenuKeys()
{
    static const QHash<std::int64_t, int> keys = [] {
        QHash<std::int64_t, int> keys {
            { KeyCodes::returnKey, Qt::Key_Return },
            { KeyCodes::keypadEnter, Qt::Key_Enter },
            { KeyCodes::tab, Qt::Key_Tab },
            { KeyCodes::space, Qt::Key_Space },
            { KeyCodes::deleteKey, Qt::Key_Backspace },
            { KeyCodes::deleteForward, Qt::Key_Delete },
            { KeyCodes::escape, Qt::Key_Escape },
            { KeyCodes::help, Qt::Key_Help },
            { KeyCodes::home, Qt::Key_Home },
            { KeyCodes::end, Qt::Key_End },
            { KeyCodes::pageUp, Qt::Key_PageUp },
            { KeyCodes::pageDown, Qt::Key_PageDown },
            { KeyCodes::upArrow, Qt::Key_Up },
            { KeyCodes::downArrow, Qt::Key_Down },
            { KeyCodes::leftArrow, Qt::Key_Left },
            { KeyCodes::rightArrow, Qt::Key_Right },
            { KeyCodes::keypadClear, Qt::Key_Clear },
        };
        for (int n = 0; n < 20; ++n)
            keys.insert(KeyCodes::functionKeys[n], Qt::Key_F1 + n);
        return keys;
    }();
    return keys;
}

// Key equivalents name Command by Qt's Control modifier and Control by its Meta modifier, as the menu
// shows them.
Qt::KeyboardModifiers menuModifiers(std::uint64_t flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & EventFlags::command)
        modifiers |= Qt::ControlModifier;
    if (flags & EventFlags::control)
        modifiers |= Qt::MetaModifier;
    if (flags & EventFlags::option)
        modifiers |= Qt::AltModifier;
    if (flags & EventFlags::shift)
        modifiers |= Qt::ShiftModifier;
    return modifiers;
}

// The candidate as a menu key, or nothing for a key that no key equivalent can name.
std::optional<QKeyCombination> menuKey(const Shortcut& shortcut, const std::optional<QString>& character)
{
    if (shortcut.modifiers() & EventFlags::function && !KeyCodes::synthesizesFunction(shortcut.carbonKeyCode))
        return std::nullopt;
    int key = specialMenuKeys().value(shortcut.carbonKeyCode, 0);
    if (!key) {
        if (!character || character->size() != 1 || *character == QChar(0xFFFD))
            return std::nullopt;
        // Menu keys are letters in upper case; Shift is a modifier of its own.
        key = character->at(0).toUpper().unicode();
    }
    return QKeyCombination(menuModifiers(shortcut.modifiers()), static_cast<Qt::Key>(key));
}

std::optional<MenuItem> find(const std::vector<MenuItem>& menu, QKeyCombination candidate)
{
    for (const auto& item : menu) {
        if (!item.keyEquivalent.isEmpty() && item.keyEquivalent.count() == 1
            && item.keyEquivalent[0] == candidate)
            return item;
        if (auto found = find(item.submenu, candidate))
            return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<MenuItem> MenuItem::withMatchingShortcut(
    const std::vector<MenuItem>& menu, const Shortcut& shortcut, const std::optional<QString>& keyCharacter)
{
    const auto candidate = menuKey(shortcut, keyCharacter);
    return candidate ? find(menu, *candidate) : std::nullopt;
}

} // namespace GlobalShortcuts
