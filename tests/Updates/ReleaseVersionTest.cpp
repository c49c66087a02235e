#include "Updates/ReleaseVersion.h"

#include <gtest/gtest.h>

namespace {

using Parts = std::vector<std::int64_t>;

TEST(ReleaseVersionTest, PartsReadNumericPrefixes)
{
    const struct {
        const char16_t* version;
        Parts parts;
    } rows[] = {
        { u"1.4.2", { 1, 4, 2 } },
        { u"1..2", { 1, 2 } },
        { u".1.2.", { 1, 2 } },
        { u"", {} },
        { u"...", {} },
        { u"1.02", { 1, 2 } },
        { u"2rc1.beta", { 2, 0 } },
        { u"V2.0", { 0, 0 } },
        { u"-1.+2", { 0, 0 } },
        { u" 1.2", { 0, 2 } },
        { u"9223372036854775807.1", { 9223372036854775807LL, 1 } },
        { u"9223372036854775808.1", { 0, 1 } },
        { u"00000000000000000000000001", { 1 } },
        // Numerals that are not ASCII digits make their whole component 0, also after ASCII digits.
        { u"1\u00B2.3", { 0, 3 } },
        { u"\u0663.1", { 0, 1 } },
        { u"1\u0663x.2", { 0, 2 } },
        { u"\U0001D7CF.4", { 0, 4 } },
        { u"\u2167.5", { 0, 5 } },
        { u"\u4E94.6", { 0, 6 } },
        // Letters end the prefix, so digits after them do not spoil it.
        { u"1a\u0663.7", { 1, 7 } },
    };
    for (const auto& row : rows) {
        const auto version = QString::fromUtf16(row.version);
        EXPECT_EQ(ReleaseVersion::parts(version), row.parts) << version.toStdString();
    }
}

TEST(ReleaseVersionTest, IsNewerComparesComponentsAsNumbers)
{
    const struct {
        const char* candidate;
        const char* current;
        bool newer;
    } rows[] = {
        { "1.2", "1.2.0", false },
        { "1.2.0", "1.2", false },
        { "1.10", "1.9", true },
        { "2", "10", false },
        { "1.2.0.1", "1.2", true },
        { "V2.0", "1.0", false },
        { "1.0", "0", true },
        { "1.4", "1.4", false },
        // And the other way round, which must never both be newer.
        { "1.9", "1.10", false },
        { "1.2", "1.2.0.1", false },
        { "10", "2", true },
        { "", "", false },
        { "0.0.1", "", true },
        { "9223372036854775807", "9223372036854775806", true },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReleaseVersion::isNewer(QString::fromUtf8(row.candidate), QString::fromUtf8(row.current)),
            row.newer)
            << row.candidate << " over " << row.current;
}

TEST(ReleaseVersionTest, WellFormedVersionsAreTwoToFourAsciiGroups)
{
    for (const char16_t* good : { u"1.2", u"01.2", u"1.2.3.4", u"1.4", u"10.20.30" })
        EXPECT_TRUE(ReleaseVersion::isWellFormed(QString::fromUtf16(good)));
    for (const char16_t* bad : { u"1", u"1.2.3.4.5", u"1.2-beta", u"V1.2", u"1..2", u"", u"1.2\n", u"\n1.2",
             u" 1.2", u"1.2 ", u"1.\u0663", u"../../x", u"1.4-beta", u"1.2.", u".1.2", u"1.2/../3" })
        EXPECT_FALSE(ReleaseVersion::isWellFormed(QString::fromUtf16(bad)))
            << QString::fromUtf16(bad).toStdString();
}

} // namespace
