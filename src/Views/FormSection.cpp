#include "Views/FormSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int boxRadius = 8;
constexpr int rowPadding = 10;
constexpr int rowMinimumHeight = 30;

QColor mixed(const QColor& a, const QColor& b, double amount)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * amount),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * amount),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

} // namespace

FormSection::FormSection(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    m_title = new QLabel(title, this);
    auto titleFont = m_title->font();
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_title->setContentsMargins(rowPadding, 0, 0, 0);
    column->addWidget(m_title);

    m_box = new QWidget(this);
    m_rows = new QVBoxLayout(m_box);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(1);
    column->addWidget(m_box);
}

QWidget* FormSection::makeRow()
{
    auto* row = new QWidget(m_box);
    row->setMinimumHeight(rowMinimumHeight);
    m_rows->addWidget(row);
    m_rowWidgets.push_back(row);
    return row;
}

QWidget* FormSection::addRow(const QString& label, QWidget* control)
{
    auto* row = makeRow();
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPadding, 2, rowPadding, 2);
    layout->setSpacing(12);
    auto* text = new QLabel(label, row);
    text->setBuddy(control);
    layout->addWidget(text);
    control->setParent(row);
    control->setAccessibleName(label);
    if (control->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag) {
        layout->addWidget(control, 1);
    } else {
        layout->addStretch(1);
        layout->addWidget(control);
    }
    return row;
}

QWidget* FormSection::addRow(QWidget* control)
{
    auto* row = makeRow();
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPadding, 2, rowPadding, 2);
    control->setParent(row);
    layout->addWidget(control);
    layout->addStretch(1);
    return row;
}

QLabel* FormSection::addCaption(const QString& text)
{
    auto* row = makeRow();
    row->setMinimumHeight(0);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPadding, 4, rowPadding, 5);
    auto* caption = new QLabel(text, row);
    caption->setWordWrap(true);
    caption->setFont(captionFont(caption->font()));
    makeSecondary(caption);
    layout->addWidget(caption);
    return caption;
}

QFont FormSection::captionFont(const QFont& base)
{
    auto font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(1.0, font.pointSizeF() - 2));
    else
        font.setPixelSize(std::max(1, font.pixelSize() - 2));
    return font;
}

void FormSection::makeSecondary(QWidget* widget)
{
    auto palette = widget->palette();
    const QColor secondary = palette.color(QPalette::PlaceholderText);
    // The disabled look stays the palette's own, so a greyed row still reads as greyed.
    for (const auto group : { QPalette::Active, QPalette::Inactive })
        palette.setColor(group, QPalette::WindowText, secondary);
    widget->setPalette(palette);
}

QColor FormSection::green(const QPalette& palette)
{
    return isDark(palette) ? QColor(48, 209, 88) : QColor(36, 161, 72);
}

void FormSection::paintEvent(QPaintEvent*)
{
    if (m_rowWidgets.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& colors = palette();
    const QColor window = colors.color(QPalette::Window);
    const QColor text = colors.color(QPalette::WindowText);
    // Lifted from the window in both schemes: lighter than a light window, lighter than a dark one.
    const QColor fill = isDark(colors) ? mixed(window, text, 0.06) : mixed(window, QColor(Qt::white), 0.7);
    const QColor line = mixed(fill, text, isDark(colors) ? 0.14 : 0.10);

    const QRectF box = QRectF(m_box->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(line, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, boxRadius, boxRadius);

    painter.setPen(QPen(line, 1));
    for (std::size_t i = 0; i + 1 < m_rowWidgets.size(); ++i) {
        const auto* row = m_rowWidgets[i];
        if (row->isHidden())
            continue;
        const double y = m_box->y() + row->geometry().bottom() + 1;
        painter.drawLine(QPointF(box.left() + rowPadding, y), QPointF(box.right() - rowPadding, y));
    }
}
