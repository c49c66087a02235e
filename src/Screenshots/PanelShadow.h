#pragma once

#include <QPoint>

class QPainter;
class QRect;
class QWidget;

// A soft shadow that a frameless panel draws around its rounded body, in a transparent margin of its own
// window, where the window system blends translucent windows but draws no shadow for them.
namespace PanelShadow {

// How far the shadow reaches beyond the body, in points, on every side.
constexpr int margin = 16;

// Paints the shadow of a rounded rectangle `body` with corner `radius`; the body itself stays clear.
void paint(QPainter& painter, const QRect& body, double radius);

// Makes `window` (a frameless, translucent panel whose content fills it) carry the shadow: its content
// moves in by the margin and the window grows by it on every side. Returns the offset from the window's
// corner to the body's, for placing the window.
QPoint apply(QWidget& window, double radius);

} // namespace PanelShadow
