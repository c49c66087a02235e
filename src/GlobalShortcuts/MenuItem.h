#pragma once

#include <QKeySequence>
#include <QString>

#include <optional>
#include <vector>

namespace GlobalShortcuts {

struct Shortcut;

// One item of an application menu as the recorder checks it: its title, its key equivalent and its
// submenu.
struct MenuItem final {
    QString title;
    QKeySequence keyEquivalent;
    std::vector<MenuItem> submenu;

    // The first item, depth first, whose key equivalent is the shortcut. `keyCharacter`: what the key types
    // on the current layout (Shortcut::keyToCharacter), for keys a menu names by their character.
    static std::optional<MenuItem> withMatchingShortcut(const std::vector<MenuItem>& menu,
        const Shortcut& shortcut, const std::optional<QString>& keyCharacter);
};

} // namespace GlobalShortcuts
