#include "Screenshots/EditorSymbols.h"

#include "Foundation/ThemeSymbol.h"

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

} // namespace

namespace EditorSymbols {

QPixmap symbol(const QString& name, double points, const QColor& color, double devicePixelRatio)
{
    registerBundledSymbols();
    return ThemeSymbol::render(
        themeNames(name), QStringLiteral(":/editor/symbols/%1.svg").arg(name), points, color, devicePixelRatio);
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
