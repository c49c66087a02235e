#pragma once

#include <QDateTime>

// Stored dates count seconds since 2001-01-01 00:00:00 UTC, the epoch the stored files have always used.
namespace ReferenceDate {

inline constexpr double unixOffset = 978'307'200.0;

inline double fromUnixSeconds(double unixSeconds) { return unixSeconds - unixOffset; }
inline double toUnixSeconds(double referenceSeconds) { return referenceSeconds + unixOffset; }

inline QDateTime toDateTime(double referenceSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>((referenceSeconds + unixOffset) * 1000.0),
                                          Qt::UTC);
}

} // namespace ReferenceDate
