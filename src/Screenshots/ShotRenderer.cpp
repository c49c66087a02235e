#include "Screenshots/ShotRenderer.h"

#include "Foundation/PngWriter.h"
#include "Screenshots/Blur.h"
#include "Screenshots/Shot.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <span>

namespace ShotRenderer {

namespace {

const QColor& accent()
{
    static const QColor colour = QColor::fromRgbF(1.0f, 138 / 255.0f, 61 / 255.0f, 1.0f);
    return colour;
}

const QColor& halo()
{
    static const QColor colour = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.95f);
    return colour;
}

// Numerals are built at this pixel size and scaled, since font pixel sizes are whole numbers.
constexpr int numeralDesignSize = 256;

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Annotation space has its origin at the bottom-left, y upwards; the painter's pixel space is y-down.
struct Flip {
    double height;
    QPointF operator()(QPointF p) const { return { p.x(), height - p.y() }; }
};

// The area a stroke of the brush covers, as one path: runs of points drawn apart are each stroked and the
// strokes united, so that every pixel is covered once however the runs overlap.
QPainterPath blurArea(const std::vector<std::span<const QPointF>>& runs, double d, Flip flip)
{
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    QPainterPathStroker stroker;
    stroker.setWidth(d);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setMiterLimit(10);
    for (const auto run : runs) {
        if (run.empty())
            continue;
        const bool onePlace
            = std::all_of(run.begin(), run.end(), [&](QPointF p) { return p == run.front(); });
        if (onePlace) {
            const QPointF centre = flip(run.front());
            area.addEllipse(QRectF(centre.x() - d / 2, centre.y() - d / 2, d, d));
            continue;
        }
        QPainterPath line(flip(run.front()));
        for (size_t i = 1; i < run.size(); ++i)
            line.lineTo(flip(run[i]));
        area.addPath(stroker.createStroke(line));
    }
    area.setFillRule(Qt::WindingFill);
    return area;
}

void drawBlur(const std::vector<std::span<const QPointF>>& runs, double d, const Shot& shot,
    QPainter& painter, Flip flip)
{
    const auto allFinite
        = [](std::span<const QPointF> run) { return std::all_of(run.begin(), run.end(), finite); };
    if (runs.empty() || !(d > 0) || !std::isfinite(d) || !std::all_of(runs.begin(), runs.end(), allFinite))
        return;
    painter.save();
    painter.setClipPath(blurArea(runs, d, flip), Qt::IntersectClip);
    painter.drawImage(QRectF(0, 0, shot.image().width(), shot.image().height()), shot.blurred());
    painter.restore();
}

void drawArrow(const Annotation::Arrow& arrow, const Metrics& metrics, QPainter& painter, Flip flip)
{
    const QPointF from = arrow.from;
    const QPointF tip = arrow.to;
    if (!finite(from) || !finite(tip))
        return;
    const double L = metrics.lineWidth;
    const double dx = tip.x() - from.x();
    const double dy = tip.y() - from.y();
    const double length = std::hypot(dx, dy);
    if (!(length > L))
        return;
    const double angle = std::atan2(dy, dx);
    constexpr double spread = 0.4363323129985824; // 25°
    const double head = metrics.headLength();
    const QPointF corner1 = tip - head * QPointF(std::cos(angle - spread), std::sin(angle - spread));
    const QPointF corner2 = tip - head * QPointF(std::cos(angle + spread), std::sin(angle + spread));
    const QPointF shaftEnd = tip - QPointF(dx, dy) / length * std::min(length, metrics.pullBack());

    const QLineF shaft(flip(from), flip(shaftEnd));
    QPainterPath triangle(flip(tip));
    triangle.lineTo(flip(corner1));
    triangle.lineTo(flip(corner2));
    triangle.closeSubpath();
    triangle.setFillRule(Qt::WindingFill);

    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(halo(), metrics.shaftHalo(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(shaft);
    painter.setPen(QPen(halo(), metrics.headHalo(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(triangle);
    painter.setPen(QPen(accent(), L, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(shaft);
    painter.fillPath(triangle, accent());
    painter.restore();
}

QFont numeralFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPixelSize(numeralDesignSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void drawNumber(const Annotation::Number& number, const Metrics& metrics, QPainter& painter, Flip flip)
{
    if (!finite(number.at))
        return;
    const QPointF centre = flip(number.at);
    const double D = metrics.markerDiameter;
    const QRectF disc(centre.x() - D / 2, centre.y() - D / 2, D, D);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent());
    painter.drawEllipse(disc);
    const double inset = metrics.ringInset();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(halo(), metrics.ringWidth()));
    painter.drawEllipse(disc.adjusted(inset, inset, -inset, -inset));

    static const QFont font = numeralFont();
    QPainterPath glyphs;
    glyphs.addText(0, 0, font, QString::number(number.value));
    const double factor = metrics.numeralSize() / numeralDesignSize;
    glyphs = QTransform::fromScale(factor, factor).map(glyphs);
    // Centred by the drawn glyphs' own bounds, so "1" and "10" sit in the middle alike.
    glyphs.translate(centre - glyphs.boundingRect().center());
    painter.fillPath(glyphs, Qt::white);
    painter.restore();
}

} // namespace

double Metrics::ringWidth() const
{
    return std::max(0.08 * markerDiameter, 2.0);
}

Metrics Metrics::forWidth(int pixelWidth)
{
    // std::round takes halves away from zero.
    return { std::max(std::round(pixelWidth / 220.0), 4.0), std::max(std::round(pixelWidth / 46.0), 26.0) };
}

QImage blurred(const QImage& image)
{
    return Blur::gaussian(image, Blur::sigmaFor(image.size()));
}

void draw(const Shot& shot, const std::vector<Annotation>& annotations, QPainter& painter, const QRectF& rect,
    bool base)
{
    const QImage& image = shot.image();
    const int W = image.width();
    const int H = image.height();
    if (W <= 0 || H <= 0 || !rect.isValid())
        return;
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / W, rect.height() / H);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    if (base)
        painter.drawImage(QRectF(0, 0, W, H), image);
    if (!annotations.empty()) {
        const Metrics metrics = Metrics::forWidth(W);
        const Flip flip { static_cast<double>(H) };
        for (const auto& annotation : annotations) {
            if (const auto* blur = annotation.blur())
                drawBlur({ std::span(blur->points) }, blur->diameter, shot, painter, flip);
            else if (const auto* arrow = annotation.arrow())
                drawArrow(*arrow, metrics, painter, flip);
            else if (const auto* number = annotation.number())
                drawNumber(*number, metrics, painter, flip);
        }
    }
    painter.restore();
}

void drawBlurRuns(const Shot& shot, const std::vector<std::span<const QPointF>>& runs, double diameter,
    QPainter& painter, const QRectF& rect)
{
    const QImage& image = shot.image();
    if (image.isNull() || !rect.isValid())
        return;
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / image.width(), rect.height() / image.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBlur(runs, diameter, shot, painter, Flip { static_cast<double>(image.height()) });
    painter.restore();
}

std::optional<Encoded> encode(QImage image, double scale)
{
    if (image.isNull())
        return std::nullopt;
    const QImage::Format stored = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != stored)
        image = image.convertToFormat(stored);
    const double pixelsPerPoint = scale > 0 && std::isfinite(scale) ? scale : 1.0;
    const double dotsPerMeter = 72.0 * pixelsPerPoint / 0.0254;
    image.setDotsPerMeterX(static_cast<int>(std::lround(std::min(dotsPerMeter, 1e8))));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    auto png = PngWriter::write(image);
    if (!png)
        return std::nullopt;
    return Encoded { std::move(*png), std::move(image) };
}

std::optional<QByteArray> png(const QImage& image, double scale)
{
    auto encoded = encode(image, scale);
    if (!encoded)
        return std::nullopt;
    return std::move(encoded->png);
}

} // namespace ShotRenderer
