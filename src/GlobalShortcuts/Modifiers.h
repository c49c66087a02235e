#pragma once

#include <QString>

#include <cstdint>

// How the five modifiers a shortcut can carry (EventFlags; HotKeyService converts them to and from its
// modifier bits) are drawn as symbols.
namespace GlobalShortcuts::Modifiers {

// The symbols of the flags present, always in the order Control, Option, Shift, Command, Function.
QString symbolicRepresentation(std::uint64_t flags);

} // namespace GlobalShortcuts::Modifiers
