#pragma once

namespace GlobalShortcuts {

enum class ConflictBehavior { Block = 0, Warn = 1, Allow = 2 };

// What a recorder does, per kind of conflict, with a shortcut that something else already has.
struct ConflictPolicy final {
    // The shortcut is the key equivalent of an item of the application's menus.
    ConflictBehavior menuItem = ConflictBehavior::Block;
    // The system reserves it.
    ConflictBehavior systemShortcut = ConflictBehavior::Warn;
    // The system does not let it through at all.
    ConflictBehavior disallowed = ConflictBehavior::Block;

    bool operator==(const ConflictPolicy&) const = default;

    static constexpr ConflictPolicy defaultPolicy() { return {}; }
    static constexpr ConflictPolicy allowAll()
    {
        return { ConflictBehavior::Allow, ConflictBehavior::Allow, ConflictBehavior::Allow };
    }
};

} // namespace GlobalShortcuts
