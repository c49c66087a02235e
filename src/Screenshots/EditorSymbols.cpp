#include "Screenshots/EditorSymbols.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

// The bundled symbols live in a static library, whose resource registration the linker would otherwise
// drop; this runs it on first use.
static void registerBundledSymbols()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(EditorResources);
        return true;
    }();
    (void)registered;
}

namespace {

QStringList themeNames(const QString& symbol)
{
    if (symbol == u"arrow.uturn.backward")
        return { QStringLiteral("edit-undo-symbolic"), QStringLiteral("edit-undo") };
    if (symbol == u"arrow.uturn.forward")
        return { QStringLiteral("edit-redo-symbolic"), QStringLiteral("edit-redo") };
    if (symbol == u"circle.dotted")
        return { QStringLiteral("draw-circle-symbolic"), QStringLiteral("draw-circle") };
    return {};
}

QImage renderShape(const QString& name, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& themeName : themeNames(name)) {
        if (QIcon::hasThemeIcon(themeName)) {
            QIcon::fromTheme(themeName).paint(&painter, image.rect());
            return image;
        }
    }
    registerBundledSymbols();
    QSvgRenderer bundled(QStringLiteral(":/editor/symbols/%1.svg").arg(name));
    if (bundled.isValid())
        bundled.render(&painter, QRectF(image.rect()));
    return image;
}

} // namespace

namespace EditorSymbols {

QPixmap symbol(const QString& name, double points, const QColor& color, double devicePixelRatio)
{
    static QHash<QString, QPixmap> cache;
    const auto pixels = std::max(1, static_cast<int>(std::lround(points * devicePixelRatio)));
    const auto key = QStringLiteral("%1/%2/%3").arg(name).arg(pixels).arg(color.rgba(), 8, 16);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;

    // Theme icons come in their own colours; keeping only their shape makes them read as symbols.
    auto image = renderShape(name, pixels);
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), color);
    tint.end();
    auto pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, pixmap);
    return pixmap;
}

QIcon icon(
    const QString& name, double points, const QColor& normal, const QColor& disabled, double devicePixelRatio)
{
    QIcon icon;
    icon.addPixmap(symbol(name, points, normal, devicePixelRatio), QIcon::Normal);
    icon.addPixmap(symbol(name, points, disabled, devicePixelRatio), QIcon::Disabled);
    return icon;
}

} // namespace EditorSymbols
