#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QString>

// The picker's look, shared by the view and its rows: label colours in the desktop's palette, fonts in
// points, and monochrome symbols.
namespace PickerStyle {

QColor primary(const QPalette& palette);
QColor secondary(const QPalette& palette);
QColor tertiary(const QPalette& palette);
QColor accent(const QPalette& palette);

QFont font(double points, QFont::Weight weight = QFont::Normal);

// A symbol by name ("magnifyingglass", "text.alignleft", "photo", "doc") tinted in `color`, `points` high:
// from the desktop's icon theme when it has one, otherwise the one bundled with the program.
QPixmap symbol(const QString& name, double points, const QColor& color, double devicePixelRatio);

} // namespace PickerStyle
