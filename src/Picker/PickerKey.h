#pragma once

#include "Platform/KeyEvent.h"

#include <QString>

#include <cstdint>

class QKeyEvent;

// One key press as the picker interprets it: the virtual key code of the key, what it types, and the
// modifiers that matter. Option is left out on purpose: it only changes the typed characters.
struct PickerKey {
    std::uint16_t keyCode = 0;
    QString characters;
    bool command = false;
    bool control = false;
    bool shift = false;

    // False when the characters hold a control or format character, or one of the private-use characters
    // that stand for function, arrow and other special keys (U+F700–U+F8FF).
    bool isPrintable() const;

    // From a window's key event. Qt's Control modifier is the Command key (which is what Qt reports for
    // it where that key exists), its Meta modifier the Control key. Special keys without text get the
    // private-use characters they would carry as platform key events.
    static PickerKey fromQKeyEvent(const QKeyEvent& event);
    // From a key event as it travels through the system (the simulator's keys).
    static PickerKey fromKeyEvent(const KeyEvent& event);
};
