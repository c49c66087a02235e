#pragma once

#include "Platform/SystemFamily.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace GlobalShortcuts {

// How keys are written for the user, the way the desktop itself writes them: "⇧⌘D" and "⌘⌫" on macOS,
// "Ctrl+Shift+D" and "Ctrl+Backspace" on Linux, where Control plays Command's part. Everything that shows
// a key (the recorder, the menu, the settings, the picker's hints) names it here.
namespace KeyNotation {

// The modifiers among the event `flags`, then `key`, which is already a name: a letter, "F5", or what
// `specialKey` gives.
QString combination(SystemFamily family, std::uint64_t flags, const QString& key);
// Command (Control on Linux) with `key`: how the hold gestures' ⌘C and ⌘V are written.
QString commandWith(SystemFamily family, const QString& key);
// The name of a key written by a fixed name rather than by what the layout types (Return, Delete, the
// arrows, the function and keypad keys); nothing for the other keys.
std::optional<QString> specialKey(SystemFamily family, std::int64_t keyCode);

} // namespace KeyNotation
} // namespace GlobalShortcuts
