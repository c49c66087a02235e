#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The editor's monochrome symbols ("circle.dotted", "arrow.uturn.backward", "arrow.uturn.forward"): from
// the desktop's icon theme when it has one, otherwise the ones bundled with the program, tinted in the
// palette's colour.
namespace EditorSymbols {

QPixmap symbol(const QString& name, double points, const QColor& color, double devicePixelRatio);

// The symbol for a button: tinted for its normal and its disabled state.
QIcon icon(const QString& name, double points, const QColor& normal, const QColor& disabled,
    double devicePixelRatio);

} // namespace EditorSymbols
