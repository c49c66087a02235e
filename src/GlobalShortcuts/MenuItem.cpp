#include "GlobalShortcuts/MenuItem.h"

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/Shortcut.h"

#include <QHash>

namespace GlobalShortcuts {
namespace {

// The menu key a special key is written with in a key equivalent.
const QHash<std::int64_t, int>& specialMenuKeys()
{
    static const QHash<std::int64_t, int> keys = [] {
        QHash<std::int64_t, int> keys {
            { Key::returnKey.rawValue, Qt::Key_Return },
            { Key::keypadEnter.rawValue, Qt::Key_Enter },
            { Key::tab.rawValue, Qt::Key_Tab },
            { Key::space.rawValue, Qt::Key_Space },
            { Key::deleteKey.rawValue, Qt::Key_Backspace },
            { Key::deleteForward.rawValue, Qt::Key_Delete },
            { Key::escape.rawValue, Qt::Key_Escape },
            { Key::help.rawValue, Qt::Key_Help },
            { Key::home.rawValue, Qt::Key_Home },
            { Key::end.rawValue, Qt::Key_End },
            { Key::pageUp.rawValue, Qt::Key_PageUp },
            { Key::pageDown.rawValue, Qt::Key_PageDown },
            { Key::upArrow.rawValue, Qt::Key_Up },
            { Key::downArrow.rawValue, Qt::Key_Down },
            { Key::leftArrow.rawValue, Qt::Key_Left },
            { Key::rightArrow.rawValue, Qt::Key_Right },
            { Key::keypadClear.rawValue, Qt::Key_Clear },
        };
        const Key functionKeys[] { Key::f1, Key::f2, Key::f3, Key::f4, Key::f5, Key::f6, Key::f7, Key::f8,
            Key::f9, Key::f10, Key::f11, Key::f12, Key::f13, Key::f14, Key::f15, Key::f16, Key::f17, Key::f18,
            Key::f19, Key::f20 };
        for (int n = 0; n < 20; ++n)
            keys.insert(functionKeys[n].rawValue, Qt::Key_F1 + n);
        return keys;
    }();
    return keys;
}

// Key equivalents name Command by Qt's Control modifier and Control by its Meta modifier, as the menu
// shows them.
Qt::KeyboardModifiers menuModifiers(std::uint64_t flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & Modifiers::Flags::command)
        modifiers |= Qt::ControlModifier;
    if (flags & Modifiers::Flags::control)
        modifiers |= Qt::MetaModifier;
    if (flags & Modifiers::Flags::option)
        modifiers |= Qt::AltModifier;
    if (flags & Modifiers::Flags::shift)
        modifiers |= Qt::ShiftModifier;
    return modifiers;
}

// The candidate as a menu key, or nothing for a key that no key equivalent can name.
std::optional<QKeyCombination> menuKey(const Shortcut& shortcut, const std::optional<QString>& character)
{
    if (shortcut.modifiers() & Modifiers::Flags::function
        && !Key::keysWithSynthesizedFunctionModifier().contains(shortcut.carbonKeyCode))
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
