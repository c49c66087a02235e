#include "Screenshots/Shot.h"

#include "Foundation/ImageReading.h"
#include "Screenshots/ShotRenderer.h"

#include <cmath>
#include <mutex>

struct Shot::Blurred {
    std::once_flag made;
    QImage image;
};

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
    return create(ImageReading::read(png), std::move(file), scale);
}

std::shared_ptr<Shot> Shot::create(const QImage& decoded, std::optional<QString> file, double scale)
{
    if (decoded.isNull())
        return nullptr;
    // The two formats the painter draws fastest; opaque shots stay opaque, which keeps saved PNGs small.
    QImage image = decoded.convertToFormat(
        decoded.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return nullptr;
    return std::make_shared<Shot>(std::move(image), scale, std::move(file));
}

Shot::Shot(QImage image, QImage blurred, double scale, std::optional<QString> file)
    : Shot(std::move(image), scale, std::move(file))
{
    std::call_once(m_blurred->made, [&] { m_blurred->image = std::move(blurred); });
}

Shot::Shot(QImage image, double scale, std::optional<QString> file)
    : m_image(std::move(image))
    , m_blurred(std::make_shared<Blurred>())
    , m_scale(sanitizedScale(scale))
    , m_file(std::move(file))
{ }

const QImage& Shot::blurred() const
{
    std::call_once(m_blurred->made, [this] { m_blurred->image = ShotRenderer::blurred(m_image); });
    return m_blurred->image;
}

std::shared_ptr<const Shot> Shot::pictures() const
{
    auto copy = std::make_shared<Shot>(*this);
    copy->m_file.reset();
    return copy;
}
