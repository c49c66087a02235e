#pragma once

#include "GlobalShortcuts/Key.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

struct KeyEvent;

namespace GlobalShortcuts {

struct Services;

// A key combination: a virtual key code and the hot-key modifier bits.
struct Shortcut final {
    std::int64_t carbonKeyCode = 0;
    std::int64_t carbonModifiers = 0;

    bool operator==(const Shortcut&) const = default;

    // From a key and event flags; flags other than the five modifiers are dropped.
    static Shortcut from(Key key, std::uint64_t flags);
    // From a key event: its key and modifiers, without the function flag the system adds to some keys.
    static Shortcut from(const KeyEvent& event);

    Key key() const { return Key { carbonKeyCode }; }
    // The modifier bits as event flags.
    std::uint64_t modifiers() const;
    // What a recorder shows: the modifiers, then the key's name or the character it types, written as the
    // services' desktop writes them.
    QString presentableDescription(const Services& services) const;
    // The character the key types on the services' current layout, capitalised as a key cap shows it;
    // nothing for special keys. U+FFFD when the layout gives no single character.
    std::optional<QString> keyToCharacter(const Services& services) const;
};

} // namespace GlobalShortcuts

template <> struct std::hash<GlobalShortcuts::Shortcut> {
    std::size_t operator()(const GlobalShortcuts::Shortcut& shortcut) const noexcept
    {
        return std::hash<std::int64_t>()(shortcut.carbonKeyCode * 1000003 ^ shortcut.carbonModifiers);
    }
};
