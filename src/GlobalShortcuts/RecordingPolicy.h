#pragma once

#include "GlobalShortcuts/ConflictPolicy.h"
#include "GlobalShortcuts/MenuItem.h"
#include "GlobalShortcuts/Shortcut.h"

#include <QString>

#include <optional>
#include <vector>

struct KeyEvent;

namespace GlobalShortcuts {

// What a recording recorder makes of a key: which keys end, clear or are refused, which combination is
// the candidate, and what stands in the candidate's way. Only values in and out; the recorder asks the
// system and the user.
namespace RecordingPolicy {

enum class Action {
    // Recording ends and the key goes on (Tab moves the focus on).
    PassOn,
    // Recording ends; the key is swallowed (Escape).
    End,
    // The shortcut is cleared and recording goes on (Delete, Forward Delete).
    Clear,
    // Not a combination a shortcut can be: the system beep.
    Beep,
    // The candidate goes through the conflict checks.
    Check,
};

struct Verdict {
    Action action = Action::Beep;
    std::optional<Shortcut> candidate; // for Action::Check
    bool operator==(const Verdict&) const = default;
};

Verdict forKey(const KeyEvent& event);

// What is known about a candidate when it is checked.
struct Facts {
    // The shortcut the recorder holds now.
    std::optional<Shortcut> current;
    // The application's menus, and what the candidate's key types on the current layout.
    std::vector<MenuItem> menu;
    std::optional<QString> keyCharacter;
    // The system refuses combinations whose only modifiers are Option, or Option and Shift.
    bool optionShortcutsDisallowed = false;
    // The system reserves the candidate.
    bool reservedBySystem = false;
};

// A conflict the user is told of: blocked outright, or a warning that lets them use it anyway.
struct Objection {
    ConflictBehavior behavior = ConflictBehavior::Block;
    QString title;
    QString message;
    bool operator==(const Objection&) const = default;
};

// The conflicts in the order the user meets them; those the policy allows are left out.
std::vector<Objection> objections(
    const Shortcut& candidate, const Facts& facts, const ConflictPolicy& policy);

} // namespace RecordingPolicy
} // namespace GlobalShortcuts
