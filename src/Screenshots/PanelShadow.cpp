#include "Screenshots/PanelShadow.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace PanelShadow {

namespace {

// Paints the shadow on every paint of the window, under its content.
class Painter final : public QObject {
public:
    Painter(QWidget& window, double radius)
        : QObject(&window)
        , m_radius(radius)
    { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            auto* window = static_cast<QWidget*>(watched);
            QPainter painter(window);
            paint(painter, window->rect().adjusted(margin, margin, -margin, -margin), m_radius);
        }
        return false;
    }

private:
    double m_radius;
};

} // namespace

void paint(QPainter& painter, const QRect& body, double radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath inside;
    inside.addRoundedRect(QRectF(body), radius, radius);
    // Rings from the outside in, each a little darker: a falloff that reads as a blur at a fraction of its
    // cost, dropped slightly so the panel seems to float above what is behind it.
    constexpr int steps = margin;
    for (int i = 0; i < steps; ++i) {
        const double spread = margin - i;
        QPainterPath ring;
        ring.addRoundedRect(QRectF(body).adjusted(-spread, -spread + 3, spread, spread + 3), radius + spread,
            radius + spread);
        const double t = static_cast<double>(i + 1) / steps;
        painter.fillPath(ring.subtracted(inside), QColor(0, 0, 0, static_cast<int>(6 * t * t + 1)));
    }
    painter.restore();
}

QPoint apply(QWidget& window, double radius)
{
    if (QLayout* layout = window.layout())
        layout->setContentsMargins(margin, margin, margin, margin);
    window.installEventFilter(new Painter(window, radius));
    return QPoint(margin, margin);
}

} // namespace PanelShadow
