#include "Foundation/DefaultsValue.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

TEST(DefaultsValue, JsonRoundTripKeepsEveryKindExactly)
{
    const std::vector<DefaultsValue> values {
        DefaultsValue(true),
        DefaultsValue(0),
        DefaultsValue(std::int64_t { -9'000'000'000'000 }),
        DefaultsValue(1.0),
        DefaultsValue(0.1 + 0.2),
        DefaultsValue(QStringLiteral("~/Снимки \"q\"")),
        DefaultsValue(DefaultsValue::Date { 786'297'600.123456 }),
        DefaultsValue(QByteArray("\x00\xff bytes", 8)),
    };
    for (const auto& value : values) {
        const std::string text = value.toJson().dump();
        const auto back = DefaultsValue::fromJson(nlohmann::json::parse(text));
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(back->kind(), value.kind()) << text;
        EXPECT_EQ(*back, value) << text;
    }
    EXPECT_EQ(DefaultsValue(1.0).toJson().dump(), "1.0") << "a double never reads back as an integer";
    EXPECT_FALSE(DefaultsValue::fromJson(nlohmann::json::parse("null")));
    EXPECT_FALSE(DefaultsValue::fromJson(nlohmann::json::parse("[1]")));
    EXPECT_FALSE(DefaultsValue::fromJson(nlohmann::json::parse(R"({"date":"x"})")));
    EXPECT_FALSE(DefaultsValue::fromJson(nlohmann::json::parse(R"({"data":"!!"})")));
}

TEST(DefaultsValue, StrictAndLenientReadings)
{
    EXPECT_EQ(DefaultsValue(5).asInteger(), 5);
    EXPECT_EQ(DefaultsValue(5.0).asInteger(), 5);
    EXPECT_FALSE(DefaultsValue(5.5).asInteger());
    EXPECT_FALSE(DefaultsValue(QStringLiteral("5")).asInteger());
    EXPECT_FALSE(DefaultsValue(true).asInteger());
    EXPECT_EQ(DefaultsValue(2).asDouble(), 2.0);
    EXPECT_FALSE(DefaultsValue(QStringLiteral("0.6")).asDouble());
    EXPECT_EQ(DefaultsValue(1).asBoolean(), true);
    EXPECT_FALSE(DefaultsValue(2).asBoolean());
    EXPECT_FALSE(DefaultsValue(QStringLiteral("true")).asBoolean());

    EXPECT_TRUE(DefaultsValue(QStringLiteral("YES")).boolValue());
    EXPECT_TRUE(DefaultsValue(QStringLiteral("  +007")).boolValue());
    EXPECT_FALSE(DefaultsValue(QStringLiteral("no")).boolValue());
    EXPECT_FALSE(DefaultsValue(QStringLiteral("000")).boolValue());
    EXPECT_TRUE(DefaultsValue(0.5).boolValue());
    EXPECT_FALSE(DefaultsValue(QByteArray("1")).boolValue());
    EXPECT_EQ(DefaultsValue(42).stringValue(), QStringLiteral("42"));
    EXPECT_FALSE(DefaultsValue(DefaultsValue::Date { 1 }).stringValue());
}
