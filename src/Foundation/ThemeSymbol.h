#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>

// A monochrome symbol: the first of `themeNames` the desktop's icon theme has, otherwise the SVG bundled at
// `bundledPath`, tinted in `color` and rendered for the device pixel ratio. Made once per name, size and
// colour.
namespace ThemeSymbol {

QPixmap render(const QStringList& themeNames, const QString& bundledPath, double points, const QColor& color,
    double devicePixelRatio);

} // namespace ThemeSymbol
