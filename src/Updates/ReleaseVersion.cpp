#include "Updates/ReleaseVersion.h"

#include <QRegularExpression>
#include <QStringView>

#include <unicode/uchar.h>

#include <algorithm>
#include <charconv>

namespace ReleaseVersion {

namespace {

bool hasNumericValue(char32_t c)
{
    return u_getNumericValue(static_cast<UChar32>(c)) != U_NO_NUMERIC_VALUE;
}

std::int64_t componentValue(QStringView component)
{
    const auto codePoints = component.toUcs4();
    const auto end = std::find_if_not(codePoints.begin(), codePoints.end(), hasNumericValue);
    std::string digits;
    for (auto it = codePoints.begin(); it != end; ++it) {
        // Numerals of other scripts, fractions and superscripts have numeric values too, but the
        // integer parse takes ASCII only: the whole component then counts as 0.
        if (*it < U'0' || *it > U'9')
            return 0;
        digits.push_back(static_cast<char>(*it));
    }
    std::int64_t value = 0;
    const auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || ptr != digits.data() + digits.size())
        return 0;
    return value;
}

} // namespace

std::vector<std::int64_t> parts(const QString& version)
{
    std::vector<std::int64_t> result;
    for (const auto component : QStringView(version).split(u'.', Qt::SkipEmptyParts))
        result.push_back(componentValue(component));
    return result;
}

bool isNewer(const QString& candidate, const QString& current)
{
    const auto a = parts(candidate);
    const auto b = parts(current);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::int64_t x = i < a.size() ? a[i] : 0;
        const std::int64_t y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

bool isWellFormed(const QString& version)
{
    // An anchored match, not "^…$": a dollar also matches before a final line feed, and "1.2\n" must not
    // reach a download path.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+(\\.[0-9]+){1,3}")));
    return pattern.match(version).hasMatch();
}

} // namespace ReleaseVersion
