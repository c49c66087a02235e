#include "Picker/RelativeDate.h"

#include "Foundation/ReferenceDate.h"

#include <QHash>

#include <unicode/locid.h>
#include <unicode/reldatefmt.h>

#include <cmath>
#include <memory>

namespace {

struct Offset {
    double value = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
};

// Whole calendar months from `from` to `to` (both local times), counted towards zero.
int wholeMonths(const QDateTime& from, const QDateTime& to)
{
    auto months = (to.date().year() - from.date().year()) * 12 + (to.date().month() - from.date().month());
    if (months > 0 && from.addMonths(months) > to)
        --months;
    else if (months < 0 && from.addMonths(months) < to)
        ++months;
    return months;
}

// The largest calendar unit with a non-zero count, as the platform's relative-date wording picks it.
Offset offset(double date, double now)
{
    const auto seconds = date - now;
    const auto magnitude = std::abs(seconds);
    const auto towardsZero = [](double value) { return std::trunc(value); };
    if (magnitude < 60)
        return { towardsZero(seconds), UDAT_REL_UNIT_SECOND };
    if (magnitude < 3600)
        return { towardsZero(seconds / 60), UDAT_REL_UNIT_MINUTE };
    if (magnitude < 86400)
        return { towardsZero(seconds / 3600), UDAT_REL_UNIT_HOUR };
    const auto months = wholeMonths(
        ReferenceDate::toDateTime(now).toLocalTime(), ReferenceDate::toDateTime(date).toLocalTime());
    if (std::abs(months) >= 12)
        return { static_cast<double>(months / 12), UDAT_REL_UNIT_YEAR };
    if (months != 0)
        return { static_cast<double>(months), UDAT_REL_UNIT_MONTH };
    if (magnitude >= 7 * 86400)
        return { towardsZero(seconds / (7 * 86400)), UDAT_REL_UNIT_WEEK };
    return { towardsZero(seconds / 86400), UDAT_REL_UNIT_DAY };
}

// Building a formatter loads locale data; one per locale serves every row.
const icu::RelativeDateTimeFormatter* formatter(const QLocale& locale)
{
    static QHash<QString, std::shared_ptr<icu::RelativeDateTimeFormatter>> formatters;
    // The C locale has no wording of its own; ICU's root data would not even get the plurals right.
    const auto name = locale.language() == QLocale::C ? QStringLiteral("en_US") : locale.name();
    auto found = formatters.find(name);
    if (found == formatters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_shared<icu::RelativeDateTimeFormatter>(icu::Locale(name.toLatin1().constData()),
            nullptr, UDAT_STYLE_SHORT, UDISPCTX_CAPITALIZATION_NONE, status);
        if (U_FAILURE(status))
            made.reset();
        found = formatters.insert(name, made);
    }
    return found->get();
}

} // namespace

namespace RelativeDate {

QString text(double date, double now, const QLocale& locale)
{
    if (!std::isfinite(date) || !std::isfinite(now))
        return {};
    const auto* format = formatter(locale);
    if (!format)
        return {};
    auto [value, unit] = offset(date, now);
    // A date in this very second still reads as past, not as "in 0 seconds".
    if (value == 0)
        value = -0.0;
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result;
    format->formatNumeric(value, unit, result, status);
    if (U_FAILURE(status))
        return {};
    return QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
}

} // namespace RelativeDate
