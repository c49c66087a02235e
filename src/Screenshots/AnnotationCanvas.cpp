#include "Screenshots/AnnotationCanvas.h"

#include "Screenshots/Blur.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

namespace {

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Whole points outward; a hair of tolerance keeps 752.0000000001 from becoming 753.
double floorPoint(double v)
{
    return std::floor(v + 1e-9);
}
double ceilPoint(double v)
{
    return std::ceil(v - 1e-9);
}

// The drop shadow's reach beyond the image, in points: its blur radius of 28 fades out well within this.
constexpr int shadowMargin = 56;
constexpr double shadowDrop = 8;

QPixmap shadowTile()
{
    // A blurred square with room around it; drawn as nine pieces, its corners and edges stretch along any
    // image without blurring anything at paint time.
    constexpr int side = 4 * shadowMargin + 2;
    QImage tile(side, side, QImage::Format_ARGB32_Premultiplied);
    if (tile.isNull())
        return {};
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.fillRect(QRect(shadowMargin, shadowMargin, 2 * shadowMargin + 2, 2 * shadowMargin + 2),
        QColor::fromRgbF(0, 0, 0, 0.55f));
    painter.end();
    return QPixmap::fromImage(Blur::gaussian(tile, 14));
}

} // namespace

AnnotationCanvas::AnnotationCanvas(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPointer<AnnotationCanvas> self(this);
    m_model.redraw = [self] {
        if (!self)
            return;
        self->update();
        self->updateCursor();
    };
}

QRectF AnnotationCanvas::imageRect(QSizeF bounds, QSize pixels, double scale)
{
    if (pixels.isEmpty() || !(scale > 0))
        return {};
    const double width = bounds.width() - 2 * inset;
    const double height = bounds.height() - 2 * inset;
    if (!(width > 0 && height > 0))
        return {};
    const double factor = std::min({ width / pixels.width(), height / pixels.height(), 1 / scale });
    const double w = pixels.width() * factor;
    const double h = pixels.height() * factor;
    const double x = (bounds.width() - w) / 2;
    const double y = (bounds.height() - h) / 2;
    const double left = floorPoint(x);
    const double bottom = floorPoint(y);
    return QRectF(left, bottom, ceilPoint(x + w) - left, ceilPoint(y + h) - bottom);
}

QRectF AnnotationCanvas::imageRect() const
{
    return imageRect(QSizeF(size()), m_model.shot().image().size(), m_model.shot().scale());
}

QPointF AnnotationCanvas::toCanvas(QPointF widgetPoint) const
{
    return { widgetPoint.x(), height() - widgetPoint.y() };
}

QPointF AnnotationCanvas::toWidget(QPointF canvasPoint) const
{
    return { canvasPoint.x(), height() - canvasPoint.y() };
}

QRectF AnnotationCanvas::toWidget(const QRectF& canvasRect) const
{
    return { canvasRect.x(), height() - canvasRect.y() - canvasRect.height(), canvasRect.width(),
        canvasRect.height() };
}

std::optional<QPointF> AnnotationCanvas::imagePoint(QPointF canvasPoint) const
{
    const QRectF shown = imageRect();
    if (shown.isEmpty() || !finite(canvasPoint))
        return std::nullopt;
    const QSize pixels = m_model.shot().image().size();
    const double x = (canvasPoint.x() - shown.x()) / shown.width() * pixels.width();
    const double y = (canvasPoint.y() - shown.y()) / shown.height() * pixels.height();
    return QPointF(std::clamp(x, 0.0, double(pixels.width())), std::clamp(y, 0.0, double(pixels.height())));
}

double AnnotationCanvas::backingScale() const
{
    const QWindow* handle = window()->windowHandle();
    return handle ? handle->devicePixelRatio() : 2.0;
}

const QImage* AnnotationCanvas::committedImage(QSizeF size)
{
    if (m_cache && m_cache->version == m_model.version() && m_cache->size == size)
        return &m_cache->image;
    const double factor = backingScale();
    const double width = size.width() * factor;
    const double height = size.height() * factor;
    // Without a layer for this version nothing is shown: an older one could show marks since undone.
    // QImage counts pixels in int; a display this large has no memory behind it anyway.
    constexpr double largest = 1 << 15;
    if (!(width >= 1 && height >= 1 && width <= largest && height <= largest))
        return nullptr;
    const Shot& shot = m_model.shot();
    const QSize pixels(static_cast<int>(width), static_cast<int>(height));
    // The shot scaled to the display is the same for every version of the marks: made once per size, an undo
    // then costs a copy and the marks, not another smooth scaling of the whole shot.
    if (m_base.size() != pixels) {
        // Opaque shots make an opaque layer, which the painter copies instead of blending.
        m_base = QImage(pixels,
            shot.image().hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (m_base.isNull())
            return nullptr;
        m_base.fill(Qt::transparent);
        QPainter painter(&m_base);
        ShotRenderer::draw(shot, {}, painter, QRectF(QPointF(0, 0), QSizeF(pixels)), true);
    }
    // The layer of the last version is overwritten in place: a fresh image of this size each time costs more
    // in new memory pages than the marks cost to draw.
    QImage image;
    if (m_cache && m_cache->image.size() == pixels && m_cache->image.format() == m_base.format()) {
        image = std::move(m_cache->image);
        m_cache.reset();
        std::memcpy(image.bits(), m_base.constBits(), static_cast<std::size_t>(m_base.sizeInBytes()));
    } else {
        image = m_base.copy();
    }
    if (image.isNull())
        return nullptr;
    QPainter painter(&image);
    ShotRenderer::draw(shot, m_model.stack().items, painter, QRectF(QPointF(0, 0), QSizeF(pixels)), false);
    painter.end();
    image.setDevicePixelRatio(factor);
    ++m_committedRenders;
    m_cache = Cache { m_model.version(), size, std::move(image) };
    return &m_cache->image;
}

void AnnotationCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRectF area = imageRect();
    if (!(area.width() > 1 && area.height() > 1)) {
        painter.fillRect(rect(), background);
        return;
    }
    const QRectF shown = toWidget(area);
    const QImage* committed = committedImage(area.size());
    // Whatever the image covers is painted once, by the image: the background and the shadow only around it.
    painter.save();
    painter.setClipRegion(QRegion(rect()).subtracted(QRegion(shown.toAlignedRect())));
    painter.fillRect(rect(), background);
    drawShadow(painter, shown);
    painter.restore();
    if (!committed || committed->hasAlphaChannel())
        painter.fillRect(shown, Qt::black);
    if (committed) {
        // At the display's own resolution the layer is copied pixel for pixel, not scaled.
        if (QSizeF(committed->size()) == shown.size() * committed->devicePixelRatio())
            painter.drawImage(shown.topLeft(), *committed);
        else
            painter.drawImage(shown, *committed);
    }
    if (m_draft)
        drawDraft(painter, shown, event->rect());
    drawBrushPreview(painter, shown);
}

void AnnotationCanvas::drawShadow(QPainter& painter, const QRectF& shown)
{
    if (m_shadow.isNull())
        m_shadow = shadowTile();
    if (m_shadow.isNull())
        return;
    const QRect target = shown.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin)
                             .translated(0, shadowDrop)
                             .toAlignedRect();
    const int corner = std::min({ 2 * shadowMargin, target.width() / 2, target.height() / 2 });
    const QMargins source(2 * shadowMargin, 2 * shadowMargin, 2 * shadowMargin, 2 * shadowMargin);
    qDrawBorderPixmap(
        &painter, target, QMargins(corner, corner, corner, corner), m_shadow, m_shadow.rect(), source);
}

void AnnotationCanvas::drawDraft(QPainter& painter, const QRectF& shown, const QRect& dirty) const
{
    const Shot& shot = m_model.shot();
    const auto* blur = m_draft->blur();
    if (!blur || QRectF(dirty).contains(shown) || blur->points.size() < 2) {
        ShotRenderer::draw(shot, { *m_draft }, painter, shown, false);
        return;
    }
    // A drag repaints only around its newest stretch, and a stroke of round-capped segments looks, inside
    // any area, like the segments that reach into it: drawing only those keeps each drag event's cost
    // independent of the stroke's length.
    const QSize pixels = shot.image().size();
    const double sx = pixels.width() / shown.width();
    const double sy = pixels.height() / shown.height();
    const double reach = blur->diameter / 2 + 2;
    const QRectF seen = QRectF((dirty.left() - shown.left()) * sx, (shown.bottom() - dirty.bottom() - 1) * sy,
        (dirty.width() + 1) * sx, (dirty.height() + 1) * sy)
                            .adjusted(-reach, -reach, reach, reach);
    // Only the runs of segments that reach into the area, stroked apart and united into one area: a pixel
    // where runs cross is blurred once, as it is by the whole stroke.
    std::vector<std::span<const QPointF>> runs;
    const std::span<const QPointF> points(blur->points);
    std::size_t runStart = points.size();
    for (std::size_t i = 1; i < points.size(); ++i) {
        const QPointF a = points[i - 1];
        const QPointF b = points[i];
        const bool reaches = std::max(a.x(), b.x()) >= seen.left() && std::min(a.x(), b.x()) <= seen.right()
            && std::min(a.y(), b.y()) <= seen.bottom() && std::max(a.y(), b.y()) >= seen.top();
        if (reaches && runStart == points.size())
            runStart = i - 1;
        if (!reaches && runStart != points.size()) {
            runs.push_back(points.subspan(runStart, i - runStart));
            runStart = points.size();
        }
    }
    if (runStart != points.size())
        runs.push_back(points.subspan(runStart));
    if (!runs.empty())
        ShotRenderer::drawBlurRuns(shot, runs, blur->diameter, painter, shown);
}

void AnnotationCanvas::drawBrushPreview(QPainter& painter, const QRectF& shown) const
{
    if (m_model.tool() != EditorModel::Tool::Blur || !m_pointer)
        return;
    const QPointF centre = toWidget(*m_pointer);
    if (!shown.contains(centre))
        return;
    const double d = m_model.brush();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.5f), 1.5));
    painter.drawEllipse(centre, d / 2 + 1.2, d / 2 + 1.2);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.95f), 1.5));
    painter.drawEllipse(centre, d / 2, d / 2);
    painter.restore();
}

QRectF AnnotationCanvas::ringArea(std::optional<QPointF> pointer) const
{
    if (!pointer)
        return {};
    const double reach = m_model.brush() / 2 + 1.2 + 2;
    const QPointF centre = toWidget(*pointer);
    return QRectF(centre.x() - reach, centre.y() - reach, 2 * reach, 2 * reach);
}

QRectF AnnotationCanvas::draftArea(const Annotation& draft, std::size_t fromPoint) const
{
    const QRectF shown = toWidget(imageRect());
    const QSize pixels = m_model.shot().image().size();
    if (shown.isEmpty() || pixels.isEmpty())
        return {};
    const double zoom = shown.width() / pixels.width();
    const auto onScreen = [&](QPointF p) {
        return QPointF(
            shown.left() + p.x() * zoom, shown.bottom() - p.y() * shown.height() / pixels.height());
    };
    std::vector<QPointF> points;
    double reach = 2;
    if (const auto* blur = draft.blur()) {
        for (std::size_t i = fromPoint > 0 ? fromPoint - 1 : 0; i < blur->points.size(); ++i)
            points.push_back(blur->points[i]);
        reach += blur->diameter * zoom / 2;
    } else if (const auto* arrow = draft.arrow()) {
        points = { arrow->from, arrow->to };
        // The head and its outline reach past the tip by at most five line widths.
        reach += 5 * ShotRenderer::Metrics::forWidth(pixels.width()).lineWidth * zoom;
    }
    QRectF area;
    for (const QPointF& p : points) {
        const QPointF at = onScreen(p);
        area |= QRectF(at.x() - reach, at.y() - reach, 2 * reach, 2 * reach);
    }
    return area;
}

void AnnotationCanvas::setPointer(std::optional<QPointF> pointer)
{
    const QRectF before = ringArea(m_pointer);
    m_pointer = pointer;
    if (m_model.tool() == EditorModel::Tool::Blur)
        update(((before | ringArea(m_pointer)) & QRectF(rect())).toAlignedRect());
    updateCursor();
}

void AnnotationCanvas::updateCursor()
{
    if (m_pointer && imageRect().contains(*m_pointer))
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF at = toCanvas(event->position());
    const QRectF shown = imageRect();
    m_draft.reset();
    m_pressIgnored = !finite(at) || !shown.contains(at);
    if (finite(at))
        setPointer(at);
    if (m_pressIgnored)
        return;
    const QPointF q = *imagePoint(at);
    const double pixelWidth = m_model.shot().image().width();
    switch (m_model.tool()) {
    case EditorModel::Tool::Blur:
        m_draft = Annotation(Annotation::Blur { { q }, m_model.brush() * pixelWidth / shown.width() });
        break;
    case EditorModel::Tool::Arrow:
        m_draft = Annotation(Annotation::Arrow { q, q });
        break;
    case EditorModel::Tool::Number:
        m_model.add(Annotation::Number { q, m_model.stack().nextNumber() });
        return;
    }
    update((draftArea(*m_draft, 0) & QRectF(rect())).toAlignedRect());
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = toCanvas(event->position());
    if (!finite(at))
        return;
    if (!m_draft || !(event->buttons() & Qt::LeftButton)) {
        setPointer(at);
        return;
    }
    const QRectF rings = ringArea(m_pointer) | ringArea(at);
    m_pointer = at;
    updateCursor();
    const QPointF q = *imagePoint(at);
    QRectF dirty = rings;
    if (auto* blur = std::get_if<Annotation::Blur>(&m_draft->mark)) {
        blur->points.push_back(q);
        dirty |= draftArea(*m_draft, blur->points.size() - 1);
    } else if (auto* arrow = std::get_if<Annotation::Arrow>(&m_draft->mark)) {
        dirty |= draftArea(*m_draft, 0);
        arrow->to = q;
        dirty |= draftArea(*m_draft, 0);
    }
    update((dirty & QRectF(rect())).toAlignedRect());
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_draft)
        return;
    Annotation taken = std::move(*m_draft);
    m_draft.reset();
    if (const auto* arrow = taken.arrow()) {
        const double length = std::hypot(arrow->to.x() - arrow->from.x(), arrow->to.y() - arrow->from.y());
        const double onScreen = length * imageRect().width() / m_model.shot().image().width();
        if (!(onScreen >= shortestArrow)) {
            update((draftArea(taken, 0) & QRectF(rect())).toAlignedRect());
            return;
        }
    }
    m_model.add(std::move(taken));
}

void AnnotationCanvas::leaveEvent(QEvent*)
{
    setPointer(std::nullopt);
    update();
}

void AnnotationCanvas::resizeEvent(QResizeEvent*)
{
    updateCursor();
}
