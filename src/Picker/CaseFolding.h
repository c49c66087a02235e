#pragma once

#include <QString>

// Caseless matching as the user's language understands it: full Unicode case folding ("ß" matches "SS",
// "Ё" matches "ё"), with the Turkic rules for dotted and dotless i when the locale asks for them.
namespace CaseFolding {

QString fold(const QString& text, bool turkic);
// Whether the current locale folds i the Turkic way (Turkish, Azerbaijani).
bool localeIsTurkic();

} // namespace CaseFolding
