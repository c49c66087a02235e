#pragma once

#include <QString>

// The module's own texts, kept in its own resource and looked up by key.
namespace GlobalShortcuts::ShortcutTexts {

// The text for `key`; the key itself when the resource has no such entry, so that a gap shows instead of
// an empty label.
QString text(const char* key);
// Looks `key` up and puts `argument` in place of its one "%@".
QString format(const char* key, const QString& argument);

} // namespace GlobalShortcuts::ShortcutTexts
