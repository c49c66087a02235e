#include "Picker/HistoryRow.h"

#include "Picker/PickerStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace {

const double previewPoints = 13;
const double datePoints = 10;
const double lineGap = 2;

QString symbolName(ClipboardItem::Kind kind)
{
    switch (kind) {
    case ClipboardItem::Kind::Text:
        return QStringLiteral("text.alignleft");
    case ClipboardItem::Kind::Image:
        return QStringLiteral("photo");
    case ClipboardItem::Kind::Files:
        return QStringLiteral("doc");
    }
    return {};
}

} // namespace

QFont HistoryRow::numberFont() const
{
    // Long histories reach four- and five-digit numbers. Centred on its box, a number may spread over the
    // row's side padding; wider ones shrink rather than run into the icon or off the row.
    const auto text = QString::number(number);
    auto font = PickerStyle::font(11, QFont::DemiBold);
    for (int pixels = 11; pixels > 7; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(text) <= numberWidth + 2 * padding)
            return font;
    }
    font.setPixelSize(7);
    return font;
}

HistoryRow::Geometry HistoryRow::geometry(const QRectF& rect)
{
    Geometry geometry;
    const auto left = rect.left() + padding;
    geometry.number = QRectF(left, rect.top(), numberWidth, rect.height());
    const auto iconLeft = geometry.number.right() + spacing;
    geometry.icon = QRectF(iconLeft, rect.center().y() - iconSize / 2, iconSize, iconSize);
    const auto textLeft = geometry.icon.right() + spacing;
    geometry.text
        = QRectF(textLeft, rect.top(), std::max(0.0, rect.right() - padding - textLeft), rect.height());
    return geometry;
}

QStringList HistoryRow::previewLines(double width) const
{
    const auto font = PickerStyle::font(previewPoints);
    const QFontMetricsF metrics(font);
    // Two lines never hold more than a few hundred characters; shaping all 2,000 a preview may have would
    // make every paint of a long entry slow.
    const qsizetype budget = 160 * maximumPreviewLines();
    const bool cut = item.preview.size() > budget;
    auto text = item.preview.left(budget);
    text.replace(QLatin1String("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    const auto maximum = maximumPreviewLines();
    while (lines.size() < maximum) {
        auto line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        auto piece = text.mid(line.textStart(), line.textLength());
        const bool last = lines.size() == maximum - 1;
        const bool more = cut || line.textStart() + line.textLength() < text.size();
        if (last && more) {
            // The last line we may show says that more follows: a line cut by a line break gets an
            // ellipsis, one cut by wrapping carries on until it no longer fits.
            const bool brokenByNewline = piece.endsWith(QChar::LineSeparator);
            auto rest = brokenByNewline ? piece.chopped(1) + QChar(0x2026) : text.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            piece = metrics.elidedText(rest, Qt::ElideRight, width);
        }
        piece.remove(QChar::LineSeparator);
        lines.append(piece);
    }
    layout.endLayout();
    return lines;
}

void HistoryRow::paint(QPainter& painter, const QRectF& rect, const QPalette& palette) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (selected) {
        auto background = PickerStyle::accent(palette);
        background.setAlphaF(0.22f);
        QPainterPath shape;
        shape.addRoundedRect(rect, 8, 8);
        painter.fillPath(shape, background);
    }
    const auto secondary = PickerStyle::secondary(palette);
    const auto parts = geometry(rect);

    painter.setFont(numberFont());
    painter.setPen(secondary);
    painter.drawText(parts.number, Qt::AlignCenter | Qt::TextDontClip, QString::number(number));

    if (thumbnail && !thumbnail->isNull()) {
        // Scaled to fill the box and clipped to it, like a cropped photo.
        const auto scaled
            = QSizeF(thumbnail->size()).scaled(parts.icon.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(parts.icon.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
        QPainterPath clip;
        clip.addRoundedRect(parts.icon, 5, 5);
        painter.save();
        painter.setClipPath(clip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, *thumbnail);
        painter.restore();
    } else {
        const auto symbol = PickerStyle::symbol(
            symbolName(item.kind), 15, secondary, painter.device()->devicePixelRatioF());
        const auto size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
        painter.drawPixmap(
            QPointF(parts.icon.center().x() - size.width() / 2, parts.icon.center().y() - size.height() / 2),
            symbol);
    }

    const auto previewFont = PickerStyle::font(previewPoints);
    const auto dateFont = PickerStyle::font(datePoints);
    const QFontMetricsF previewMetrics(previewFont);
    const QFontMetricsF dateMetrics(dateFont);
    const auto lines = previewLines(parts.text.width());
    const auto columnHeight = lines.size() * previewMetrics.lineSpacing() + lineGap + dateMetrics.height();
    auto y = parts.text.center().y() - columnHeight / 2;

    painter.setFont(previewFont);
    painter.setPen(PickerStyle::primary(palette));
    for (const auto& line : lines) {
        painter.drawText(QPointF(parts.text.left(), y + previewMetrics.ascent()), line);
        y += previewMetrics.lineSpacing();
    }
    y += lineGap;
    painter.setFont(dateFont);
    painter.setPen(secondary);
    painter.drawText(QPointF(parts.text.left(), y + dateMetrics.ascent()),
        dateMetrics.elidedText(dateText, Qt::ElideRight, parts.text.width()));
    painter.restore();
}
