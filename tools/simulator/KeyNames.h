#pragma once

#include "Platform/KeyEvent.h"

#include <QString>

#include <optional>
#include <vector>

// The simulator's names for keys and modifiers, and the US keyboard layout `type` uses.
namespace KeyNames {

struct Key {
    std::uint16_t code = 0;
    QString characters; // what the key types without Shift
    QString shifted; // and with Shift
};

// "a", "return", "f5", "code:N"; nothing for a name that is none of them.
std::optional<Key> key(const QString& name);
// "cmd" and the others; nothing for an unknown name.
std::optional<std::uint64_t> modifier(const QString& name);
// The names of the modifiers in `flags`, in a fixed order.
std::vector<QString> modifierNames(std::uint64_t flags);
// The key event a press of `key` with `flags` gives.
KeyEvent event(const Key& key, std::uint64_t flags, bool isDown, bool isRepeat);

// How `character` is typed on a US keyboard: the key and whether Shift is needed; nothing when no key
// produces it.
struct Stroke {
    Key key;
    bool shift = false;
};
std::optional<Stroke> stroke(char32_t character);

} // namespace KeyNames
