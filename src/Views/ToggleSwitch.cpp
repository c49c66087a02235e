#include "Views/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int trackWidth = 32;
constexpr int trackHeight = 18;
constexpr int knobInset = 2;
// Room around the track for the keyboard focus ring.
constexpr int ring = 2;

QColor mixed(const QColor& a, const QColor& b, double amount)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * amount),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * amount),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return { trackWidth + 2 * ring, trackHeight + 2 * ring };
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& colors = palette();
    const QColor window = colors.color(QPalette::Window);
    const QColor text = colors.color(QPalette::WindowText);
    const QRectF track(ring, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const double radius = trackHeight / 2.0;

    if (hasFocus()) {
        QColor focus = colors.color(QPalette::Highlight);
        focus.setAlphaF(0.5f);
        painter.setPen(QPen(focus, ring));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-ring / 2.0, -ring / 2.0, ring / 2.0, ring / 2.0),
            radius + ring / 2.0, radius + ring / 2.0);
    }

    QColor fill = isChecked() ? colors.color(QPalette::Highlight) : mixed(window, text, 0.22);
    if (!isEnabled())
        fill = mixed(window, fill, 0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const double knob = trackHeight - 2 * knobInset;
    const double x = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    const QRectF knobRect(x, track.top() + knobInset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.5));
    painter.setBrush(isEnabled() ? QColor(Qt::white) : mixed(window, Qt::white, 0.6));
    painter.drawEllipse(knobRect);
}
