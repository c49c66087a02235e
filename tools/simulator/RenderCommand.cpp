#include "RenderCommand.h"

#include "AnnotationJson.h"
#include "Foundation/AtomicFile.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QFile>
#include <QPainter>

#include <nlohmann/json.hpp>

#include <cmath>

namespace RenderCommand {

namespace {

int fail(std::FILE* errors, int status, const QString& message)
{
    std::fprintf(errors, "drimo-sim render: %s\n", message.toLocal8Bit().constData());
    return status;
}

std::optional<QByteArray> readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

int run(const QStringList& arguments, std::FILE* errors)
{
    if (arguments.size() != 4)
        return fail(
            errors, 2, QStringLiteral("usage: drimo-sim render SHOT.png SCALE ANNOTATIONS.json OUT.png"));
    const QString& shotPath = arguments[0];
    const QString& annotationsPath = arguments[2];
    const QString& outPath = arguments[3];

    bool isNumber = false;
    const double scale = arguments[1].toDouble(&isNumber);
    if (!isNumber || !std::isfinite(scale) || scale <= 0)
        return fail(
            errors, 2, QStringLiteral("SCALE must be a positive number, not \"%1\"").arg(arguments[1]));

    const auto png = readAll(shotPath);
    if (!png)
        return fail(errors, 2, QStringLiteral("cannot read %1").arg(shotPath));
    const auto shot = Shot::create(*png, std::nullopt, scale);
    if (!shot)
        return fail(errors, 2, QStringLiteral("%1 is not an image").arg(shotPath));

    const auto text = readAll(annotationsPath);
    if (!text)
        return fail(errors, 2, QStringLiteral("cannot read %1").arg(annotationsPath));
    const auto json
        = nlohmann::json::parse(text->constData(), text->constData() + text->size(), nullptr, false);
    if (json.is_discarded())
        return fail(errors, 2, QStringLiteral("%1 is not valid JSON").arg(annotationsPath));
    QString reason;
    const auto annotations = AnnotationJson::parse(json, reason);
    if (!annotations)
        return fail(errors, 2, QStringLiteral("%1: %2").arg(annotationsPath, reason));

    // What a finished edit saves: the shot and its marks drawn at full pixel size, encoded at its scale.
    QImage result(shot->image().size(), shot->image().format());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    ShotRenderer::draw(*shot, *annotations, painter, QRectF(result.rect()), true);
    painter.end();
    const auto bytes = ShotRenderer::png(result, shot->scale());
    if (!bytes)
        return fail(errors, 1, QStringLiteral("cannot encode the result"));
    if (!AtomicFile::write(outPath, *bytes))
        return fail(errors, 1, QStringLiteral("cannot write %1").arg(outPath));
    return 0;
}

} // namespace RenderCommand
