#include "AnnotationJson.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace AnnotationJson {

namespace {

using nlohmann::json;

struct Malformed {
    QString reason;
};

double number(const json& value, const char* what)
{
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        throw Malformed { QStringLiteral("%1 is not a finite number").arg(QLatin1String(what)) };
    return value.get<double>();
}

QPointF point(const json& value, const char* what)
{
    if (!value.is_array() || value.size() != 2)
        throw Malformed { QStringLiteral("%1 is not a point [x, y]").arg(QLatin1String(what)) };
    return { number(value[0], what), number(value[1], what) };
}

const json& field(const json& object, const char* key)
{
    if (!object.is_object() || !object.contains(key))
        throw Malformed { QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)) };
    return object.at(key);
}

Annotation annotation(const json& element)
{
    if (!element.is_object() || element.size() != 1)
        throw Malformed { QStringLiteral("an annotation is an object with one key: blur, arrow or number") };
    const std::string kind = element.begin().key();
    const json& body = element.begin().value();
    if (kind == "blur") {
        const json& points = field(body, "points");
        if (!points.is_array())
            throw Malformed { QStringLiteral("\"points\" is not an array") };
        Annotation::Blur blur;
        for (const auto& p : points)
            blur.points.push_back(point(p, "a blur point"));
        blur.diameter = number(field(body, "diameter"), "\"diameter\"");
        return blur;
    }
    if (kind == "arrow")
        return Annotation::Arrow { point(field(body, "from"), "\"from\""),
            point(field(body, "to"), "\"to\"") };
    if (kind == "number") {
        const json& value = field(body, "value");
        if (!value.is_number_integer())
            throw Malformed { QStringLiteral("\"value\" is not an integer") };
        return Annotation::Number { point(field(body, "at"), "\"at\""), value.get<std::int64_t>() };
    }
    throw Malformed { QStringLiteral("unknown annotation \"%1\"").arg(QString::fromStdString(kind)) };
}

} // namespace

std::optional<std::vector<Annotation>> parse(const json& array, QString& error)
{
    if (!array.is_array()) {
        error = QStringLiteral("the annotations are not a JSON array");
        return std::nullopt;
    }
    std::vector<Annotation> annotations;
    for (size_t i = 0; i < array.size(); ++i) {
        try {
            annotations.push_back(annotation(array[i]));
        } catch (const Malformed& malformed) {
            error = QStringLiteral("annotation %1: %2").arg(i + 1).arg(malformed.reason);
            return std::nullopt;
        } catch (const json::exception& exception) {
            error = QStringLiteral("annotation %1: %2").arg(i + 1).arg(QString::fromUtf8(exception.what()));
            return std::nullopt;
        }
    }
    return annotations;
}

namespace {

nlohmann::ordered_json pair(QPointF p)
{
    return nlohmann::ordered_json::array({ p.x(), p.y() });
}

} // namespace

nlohmann::ordered_json write(const Annotation& annotation)
{
    using ordered = nlohmann::ordered_json;
    if (const auto* blur = annotation.blur()) {
        ordered points = ordered::array();
        for (const QPointF& p : blur->points)
            points.push_back(pair(p));
        return { { "blur", { { "points", points }, { "diameter", blur->diameter } } } };
    }
    if (const auto* arrow = annotation.arrow())
        return { { "arrow", { { "from", pair(arrow->from) }, { "to", pair(arrow->to) } } } };
    const auto* number = annotation.number();
    return { { "number", { { "at", pair(number->at) }, { "value", number->value } } } };
}

} // namespace AnnotationJson
