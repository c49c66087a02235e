#include "AnnotationJson.h"

#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <memory>

namespace {

std::shared_ptr<Shot> smallShot;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Number markers draw text, which needs a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    smallShot = Shot::create(png, std::nullopt, 2);
    if (!smallShot)
        std::abort();
    // The font library keeps what it loads for the first numerals drawn for good; loaded here, it is not
    // taken for a leak of the input that happened to draw them first.
    QPainter painter(&image);
    ShotRenderer::draw(
        *smallShot, { Annotation::Number { { 20, 15 }, -1234567890 } }, painter, QRectF(image.rect()), true);
    return 0;
}

// An annotations file for `drimo-sim render` is outside data: it is refused with a reason, or what it
// gives is drawn as a finished edit draws it, whatever the numbers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto json = nlohmann::json::parse(data, data + size, nullptr, false);
    if (json.is_discarded())
        return 0;
    QString error;
    const auto annotations = AnnotationJson::parse(json, error);
    if (!annotations) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    QImage result(smallShot->image().size(), smallShot->image().format());
    QPainter painter(&result);
    ShotRenderer::draw(*smallShot, *annotations, painter, QRectF(result.rect()), true);
    return 0;
}
