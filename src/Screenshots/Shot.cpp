#include "Screenshots/Shot.h"

#include "Foundation/ImageReading.h"
#include "Screenshots/ShotRenderer.h"

#include <cmath>

namespace {

double sanitizedScale(double scale)
{
    // An absurd scale would overflow the resolution written into saved PNGs.
    constexpr double largest = 64;
    if (!(scale > 1))
        return 1;
    return std::min(scale, largest);
}

} // namespace

std::shared_ptr<Shot> Shot::create(const QByteArray& png, std::optional<QString> file, double scale)
{
    QImage decoded = ImageReading::read(png);
    if (decoded.isNull())
        return nullptr;
    // The two formats the painter draws fastest; opaque shots stay opaque, which keeps saved PNGs small.
    decoded = decoded.convertToFormat(
        decoded.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QImage blurred = ShotRenderer::blurred(decoded);
    if (decoded.isNull() || blurred.isNull())
        return nullptr;
    return std::make_shared<Shot>(std::move(decoded), std::move(blurred), scale, std::move(file));
}

Shot::Shot(QImage image, QImage blurred, double scale, std::optional<QString> file)
    : m_image(std::move(image))
    , m_blurred(std::move(blurred))
    , m_scale(sanitizedScale(scale))
    , m_file(std::move(file))
{ }
