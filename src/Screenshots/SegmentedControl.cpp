#include "Screenshots/SegmentedControl.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

// One segment: only its text; the control behind it draws the track and the raised chosen segment, so that
// the whole reads as one piece.
class Segment final : public QAbstractButton {
public:
    Segment(const QString& text, QWidget* parent)
        : QAbstractButton(parent)
    {
        setText(text);
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        QFont bold = font();
        bold.setWeight(QFont::DemiBold);
        // As wide as the chosen (heavier) text needs, so that choosing does not shift the row.
        const int text = QFontMetrics(bold).horizontalAdvance(this->text());
        return { text + 2 * SegmentedControl::padding, SegmentedControl::height };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QFont font = this->font();
        if (isChecked())
            font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        QColor colour = palette().color(QPalette::WindowText);
        if (!isEnabled())
            colour.setAlphaF(0.35f);
        else if (!isChecked())
            colour.setAlphaF(isDown() ? 0.55f : 0.85f);
        painter.setPen(colour);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

SegmentedControl::SegmentedControl(const QString& label, const QStringList& segments, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    setAccessibleName(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_group->setExclusive(true);
    for (int i = 0; i < segments.size(); ++i) {
        auto* segment = new Segment(segments[i], this);
        m_group->addButton(segment, i);
        row->addWidget(segment);
    }
    if (!segments.isEmpty())
        m_group->button(0)->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::chosen);
    connect(m_group, &QButtonGroup::idToggled, this, [this] { update(); });
}

int SegmentedControl::current() const
{
    return m_group->checkedId();
}

void SegmentedControl::setCurrent(int index)
{
    if (auto* button = m_group->button(index))
        button->setChecked(true);
}

int SegmentedControl::count() const
{
    return static_cast<int>(m_group->buttons().size());
}

QAbstractButton* SegmentedControl::segment(int index) const
{
    return m_group->button(index);
}

bool SegmentedControl::event(QEvent* event)
{
    // Segments draw over the track; a change of palette or focus changes both.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        update();
    return QWidget::event(event);
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QColor window = colours.color(QPalette::Window);
    const QColor text = colours.color(QPalette::WindowText);
    const bool dark = isDark(colours);

    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(mix(window, text, dark ? 0.16 : 0.12), 1));
    painter.setBrush(mix(window, text, dark ? 0.10 : 0.07));
    painter.drawRoundedRect(track, radius, radius);

    const int chosen = current();
    // Hairlines part the segments that are not chosen; beside the raised segment they would look doubled.
    painter.setPen(QPen(mix(window, text, dark ? 0.28 : 0.22), 1));
    for (int i = 1; i < count(); ++i) {
        if (i == chosen || i - 1 == chosen)
            continue;
        const double x = segment(i)->geometry().left();
        painter.drawLine(QPointF(x, height * 0.28), QPointF(x, height * 0.72));
    }

    if (auto* raised = segment(chosen)) {
        const QRectF body = QRectF(raised->geometry()).adjusted(2, 2, -2, -2);
        // A soft edge below, as a raised control casts.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, dark ? 70 : 30));
        painter.drawRoundedRect(body.translated(0, 0.6), radius - 1.5, radius - 1.5);
        painter.setBrush(dark ? mix(window, text, 0.32) : QColor(Qt::white));
        painter.setPen(QPen(QColor(0, 0, 0, dark ? 40 : 22), 0.6));
        painter.drawRoundedRect(body, radius - 1.5, radius - 1.5);
    }

    for (int i = 0; i < count(); ++i) {
        if (!segment(i)->hasFocus())
            continue;
        painter.setPen(QPen(colours.color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(
            QRectF(segment(i)->geometry()).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
}
