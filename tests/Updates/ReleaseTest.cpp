#include "Updates/Release.h"

#include <gtest/gtest.h>

namespace {

std::optional<Release> decode(const char* text)
{
    return Release::decode(QByteArrayView(text));
}

TEST(ReleaseTest, AnEmptyObjectOrNullsLeaveEveryFieldAbsent)
{
    for (const char* text :
        { "{}", R"({"available": null, "version": null, "notes": null, "sha256": null})" }) {
        const auto release = decode(text);
        ASSERT_TRUE(release) << text;
        EXPECT_FALSE(release->available || release->version || release->notes || release->sha256) << text;
    }
}

TEST(ReleaseTest, FieldsAreTakenAsWrittenAndUnknownKeysIgnored)
{
    const auto release = decode(R"({"available": false, "version": " 1.4.2 ", "notes": "Исправления\n",
        "sha256": "ABCdef", "channel": 7, "extra": {"deep": [1, 2, {"x": null}]}})");
    ASSERT_TRUE(release);
    EXPECT_EQ(release->available, false);
    EXPECT_EQ(release->version, QStringLiteral(" 1.4.2 "));
    EXPECT_EQ(release->notes, QStringLiteral("Исправления\n"));
    EXPECT_EQ(release->sha256, QStringLiteral("ABCdef"));
}

TEST(ReleaseTest, WrongTypeOrShapeFailsTheWholeDocument)
{
    for (const char* text : { R"({"available": "true", "version": "2.0"})", R"({"available": 1})",
             R"({"version": 2.0})", R"({"notes": ["a"]})", R"({"sha256": {}})", R"({"version": true})", "[]",
             "\"1.0\"", "null", "", "{", "{\"version\": \"1.0\"} trailing", "{\"version\": \"\xff\"}" }) {
        EXPECT_FALSE(decode(text)) << text;
    }
}

TEST(ReleaseTest, FeedBeyondItsBoundIsRefused)
{
    QByteArray feed = R"({"version": "2.0", "notes": ")";
    feed.append(QByteArray(Release::maximumFeedBytes, 'a'));
    feed.append("\"}");
    EXPECT_FALSE(Release::decode(feed));
    feed = R"({"version": "2.0", "notes": ")" + QByteArray(1000, 'a') + "\"}";
    EXPECT_TRUE(Release::decode(feed));
}

} // namespace
