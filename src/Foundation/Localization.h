#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Every user-visible text passes through here, keyed by the Russian text itself. There is no translation
// table yet; the lookup is the one place a future one would plug in.
namespace Localization {

QString text(const char* key);

// The locale the interface's dates and numbers are written in. The interface is Russian, so they are
// too, whatever locale the process was started in: "0,6 с" and "5 мин. назад", never "0.6" or "ago".
QLocale locale();

// Looks `key` up, then fills its "%@" and "%ld" placeholders in order with `arguments`.
QString format(const char* key, const QStringList& arguments);

} // namespace Localization
