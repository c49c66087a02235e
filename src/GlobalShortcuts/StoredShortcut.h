#pragma once

#include "Foundation/DefaultsValue.h"
#include "GlobalShortcuts/Shortcut.h"

#include <QString>

#include <optional>

namespace GlobalShortcuts {

// What the store holds for a name: a shortcut (a JSON string), the boolean false (the user removed a
// binding that started with an initial shortcut) or, for anything else, nothing.
struct StoredShortcut final {
    enum class State { Shortcut, Disabled, NotSet };

    State state = State::NotSet;
    std::optional<Shortcut> shortcut; // for State::Shortcut

    // Never fails: a value of any other shape reads as not set.
    static StoredShortcut decode(const std::optional<DefaultsValue>& value);
    // The JSON object with exactly the integer members "carbonKeyCode" and "carbonModifiers", in any
    // order; nothing for anything else.
    static std::optional<Shortcut> decodeJson(const QString& text);
    // Compact, members in the order "carbonKeyCode", "carbonModifiers".
    static QString encode(const Shortcut& shortcut);
};

} // namespace GlobalShortcuts
