#include "Foundation/ThemeSymbol.h"

#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace {

QImage renderShape(const QStringList& themeNames, const QString& bundledPath, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& themeName : themeNames) {
        if (QIcon::hasThemeIcon(themeName)) {
            QIcon::fromTheme(themeName).paint(&painter, image.rect());
            return image;
        }
    }
    QSvgRenderer bundled(bundledPath);
    if (bundled.isValid())
        bundled.render(&painter, QRectF(image.rect()));
    return image;
}

} // namespace

namespace ThemeSymbol {

QPixmap render(const QStringList& themeNames, const QString& bundledPath, double points, const QColor& color,
    double devicePixelRatio)
{
    static QHash<QString, QPixmap> cache;
    const auto pixels = std::max(1, static_cast<int>(std::lround(points * devicePixelRatio)));
    const auto key = QStringLiteral("%1/%2/%3").arg(bundledPath).arg(pixels).arg(color.rgba(), 8, 16);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    // Theme icons come in their own colours; keeping only their shape makes them read as symbols.
    auto image = renderShape(themeNames, bundledPath, pixels);
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), color);
    tint.end();
    auto pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace ThemeSymbol
