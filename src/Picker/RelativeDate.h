#pragma once

#include "Foundation/Localization.h"

#include <QLocale>
#include <QString>

// "5 мин. назад": how long ago (or ahead) a date is, in the largest whole calendar unit, worded in the
// short style of the given locale, the interface's unless told otherwise.
namespace RelativeDate {

// Both dates in seconds since 2001-01-01 UTC.
QString text(double date, double now, const QLocale& locale = Localization::locale());

} // namespace RelativeDate
