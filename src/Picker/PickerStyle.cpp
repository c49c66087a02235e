#include "Picker/PickerStyle.h"

#include "Foundation/ThemeSymbol.h"

#include <QApplication>

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
    registerBundledSymbols();
    return ThemeSymbol::render(
        themeNames(name), QStringLiteral(":/picker/symbols/%1.svg").arg(name), points, color, devicePixelRatio);
}

} // namespace PickerStyle
