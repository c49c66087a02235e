#pragma once

#include <array>
#include <optional>

// How many entries the history keeps. The raw values are what the settings store; 0 means no limit.
enum class HistoryLimit { Five = 5, Ten = 10, Fifteen = 15, All = 0 };

namespace HistoryLimits {

inline constexpr std::array<HistoryLimit, 4> allCases { HistoryLimit::Five, HistoryLimit::Ten, HistoryLimit::Fifteen,
                                                        HistoryLimit::All };

inline int rawValue(HistoryLimit limit) { return static_cast<int>(limit); }

inline std::optional<HistoryLimit> fromRawValue(long long raw)
{
    for (HistoryLimit limit : allCases)
        if (rawValue(limit) == raw)
            return limit;
    return std::nullopt;
}

// The largest number of entries, or nothing for no limit.
inline std::optional<int> maximumCount(HistoryLimit limit)
{
    if (limit == HistoryLimit::All)
        return std::nullopt;
    return rawValue(limit);
}

} // namespace HistoryLimits
