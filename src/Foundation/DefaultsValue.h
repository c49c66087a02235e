#pragma once

#include <QByteArray>
#include <QString>

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <variant>

// One value of the user-defaults store. The kinds stay distinct (an integer never turns into a double,
// a date never into a number) so that readers that insist on a kind behave as on the real store.
class DefaultsValue final {
public:
    struct Date {
        double secondsSinceReference = 0; // since 2001-01-01 00:00:00 UTC
        bool operator==(const Date&) const = default;
    };
    enum class Kind { Boolean, Integer, Double, String, Date, Data };

    DefaultsValue(bool value)
        : m_value(value)
    {
    }
    DefaultsValue(int value)
        : m_value(static_cast<std::int64_t>(value))
    {
    }
    DefaultsValue(std::int64_t value)
        : m_value(value)
    {
    }
    DefaultsValue(long long value)
        : m_value(static_cast<std::int64_t>(value))
    {
    }
    DefaultsValue(double value)
        : m_value(value)
    {
    }
    DefaultsValue(const QString& value)
        : m_value(value)
    {
    }
    DefaultsValue(const char16_t* value)
        : m_value(QString::fromUtf16(value))
    {
    }
    DefaultsValue(Date value)
        : m_value(value)
    {
    }
    DefaultsValue(const QByteArray& value)
        : m_value(value)
    {
    }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool operator==(const DefaultsValue&) const = default;

    // Strict readings: a value of the kind asked for (integers and doubles convert into each other only
    // when exact, booleans accept the numbers 0 and 1, as bridged numbers do).
    std::optional<bool> asBoolean() const;
    std::optional<std::int64_t> asInteger() const;
    std::optional<double> asDouble() const;
    std::optional<QString> asString() const;
    std::optional<Date> asDate() const;
    std::optional<QByteArray> asData() const;

    // Lenient readings, as the store's own boolForKey / stringForKey give them.
    bool boolValue() const;
    std::optional<QString> stringValue() const;

    // JSON form shared by the settings files and the simulator: true/false, integer, number with a
    // fraction or exponent, string, {"date": seconds}, {"data": "base64"}.
    nlohmann::json toJson() const;
    static std::optional<DefaultsValue> fromJson(const nlohmann::json& json);

private:
    std::variant<bool, std::int64_t, double, QString, Date, QByteArray> m_value;
};
