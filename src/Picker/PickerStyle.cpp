#include "Picker/PickerStyle.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

// The bundled symbols live in a static library, whose resource registration the linker would otherwise
// drop; this runs it on first use.
static void registerBundledSymbols()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(PickerResources);
        return true;
    }();
    (void)registered;
}

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QStringList themeNames(const QString& symbol)
{
    if (symbol == u"magnifyingglass")
        return { QStringLiteral("edit-find-symbolic"), QStringLiteral("edit-find"),
            QStringLiteral("system-search") };
    if (symbol == u"text.alignleft")
        return { QStringLiteral("format-justify-left-symbolic"), QStringLiteral("format-justify-left") };
    if (symbol == u"photo")
        return { QStringLiteral("image-x-generic-symbolic"), QStringLiteral("image-x-generic") };
    if (symbol == u"doc")
        return { QStringLiteral("text-x-generic-symbolic"), QStringLiteral("text-x-generic") };
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
    QSvgRenderer bundled(QStringLiteral(":/picker/symbols/%1.svg").arg(name));
    if (bundled.isValid())
        bundled.render(&painter, QRectF(image.rect()));
    return image;
}

} // namespace

namespace PickerStyle {

QColor primary(const QPalette& palette)
{
    return palette.color(QPalette::WindowText);
}
QColor secondary(const QPalette& palette)
{
    return withAlpha(primary(palette), 0.55);
}
QColor tertiary(const QPalette& palette)
{
    return withAlpha(primary(palette), 0.3);
}
QColor accent(const QPalette& palette)
{
    return palette.color(QPalette::Highlight);
}

QFont font(double points, QFont::Weight weight)
{
    // Points here are layout units, the size the panel's own geometry is measured in.
    auto font = QApplication::font();
    font.setPixelSize(static_cast<int>(std::lround(points)));
    font.setWeight(weight);
    return font;
}

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

} // namespace PickerStyle
