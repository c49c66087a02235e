#include "Foundation/DefaultsValue.h"

#include <nlohmann/json.hpp>

#include <cmath>

std::optional<bool> DefaultsValue::asBoolean() const
{
    if (auto* b = std::get_if<bool>(&m_value))
        return *b;
    if (auto* i = std::get_if<std::int64_t>(&m_value); i && (*i == 0 || *i == 1))
        return *i == 1;
    return std::nullopt;
}

std::optional<std::int64_t> DefaultsValue::asInteger() const
{
    if (auto* i = std::get_if<std::int64_t>(&m_value))
        return *i;
    if (auto* d = std::get_if<double>(&m_value)) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 9.0e15)
            return static_cast<std::int64_t>(*d);
    }
    return std::nullopt;
}

std::optional<double> DefaultsValue::asDouble() const
{
    if (auto* d = std::get_if<double>(&m_value))
        return *d;
    if (auto* i = std::get_if<std::int64_t>(&m_value))
        return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<QString> DefaultsValue::asString() const
{
    if (auto* s = std::get_if<QString>(&m_value))
        return *s;
    return std::nullopt;
}

std::optional<DefaultsValue::Date> DefaultsValue::asDate() const
{
    if (auto* d = std::get_if<Date>(&m_value))
        return *d;
    return std::nullopt;
}

std::optional<QByteArray> DefaultsValue::asData() const
{
    if (auto* d = std::get_if<QByteArray>(&m_value))
        return *d;
    return std::nullopt;
}

bool DefaultsValue::boolValue() const
{
    if (auto* b = std::get_if<bool>(&m_value))
        return *b;
    if (auto* i = std::get_if<std::int64_t>(&m_value))
        return *i != 0;
    if (auto* d = std::get_if<double>(&m_value))
        return *d != 0;
    if (auto* s = std::get_if<QString>(&m_value)) {
        // A string counts as true when, after blanks, an optional sign and zeros, it starts with
        // Y, T or a non-zero digit, which is how string-valued booleans have always been read.
        qsizetype i = 0;
        while (i < s->size() && s->at(i).isSpace())
            ++i;
        if (i < s->size() && (s->at(i) == u'+' || s->at(i) == u'-'))
            ++i;
        while (i < s->size() && s->at(i) == u'0')
            ++i;
        if (i >= s->size())
            return false;
        const QChar c = s->at(i);
        return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
    }
    return false;
}

std::optional<QString> DefaultsValue::stringValue() const
{
    if (auto* s = std::get_if<QString>(&m_value))
        return *s;
    if (auto* i = std::get_if<std::int64_t>(&m_value))
        return QString::number(*i);
    if (auto* d = std::get_if<double>(&m_value))
        return QString::number(*d, 'g', 17);
    if (auto* b = std::get_if<bool>(&m_value))
        return QString::number(*b ? 1 : 0);
    return std::nullopt;
}

nlohmann::json DefaultsValue::toJson() const
{
    return std::visit(
        [](const auto& v) -> nlohmann::json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, QString>)
                return v.toStdString();
            else if constexpr (std::is_same_v<T, Date>)
                return nlohmann::json { { "date", v.secondsSinceReference } };
            else if constexpr (std::is_same_v<T, QByteArray>)
                return nlohmann::json { { "data", v.toBase64().toStdString() } };
            else
                return v;
        },
        m_value);
}

std::optional<DefaultsValue> DefaultsValue::fromJson(const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::boolean:
        return DefaultsValue(json.get<bool>());
    case nlohmann::json::value_t::number_integer:
        return DefaultsValue(json.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
        const auto u = json.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(INT64_MAX))
            return DefaultsValue(static_cast<double>(u));
        return DefaultsValue(static_cast<std::int64_t>(u));
    }
    case nlohmann::json::value_t::number_float:
        return DefaultsValue(json.get<double>());
    case nlohmann::json::value_t::string:
        return DefaultsValue(QString::fromStdString(json.get<std::string>()));
    case nlohmann::json::value_t::object:
        if (json.size() != 1)
            return std::nullopt;
        if (auto date = json.find("date"); date != json.end() && date->is_number())
            return DefaultsValue(Date { date->get<double>() });
        if (auto data = json.find("data"); data != json.end() && data->is_string()) {
            const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(data->get<std::string>()),
                                                                QByteArray::AbortOnBase64DecodingErrors);
            if (decoded)
                return DefaultsValue(*decoded);
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}
