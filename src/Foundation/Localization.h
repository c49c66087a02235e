#pragma once

#include <QString>
#include <QStringList>

// Every user-visible text passes through here, keyed by the Russian text itself. There is no translation
// table yet; the lookup is the one place a future one would plug in.
namespace Localization {

QString text(const char* key);

// Looks `key` up, then fills its "%@" and "%ld" placeholders in order with `arguments`.
QString format(const char* key, const QStringList& arguments);

} // namespace Localization
