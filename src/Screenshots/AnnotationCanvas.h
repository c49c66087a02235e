#pragma once

#include "Screenshots/Annotation.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <optional>

class EditorModel;

// The editor's drawing surface: shows the shot fitted into the view, turns mouse input into marks in the
// shot's pixel space, previews the mark being drawn and the blur brush under the pointer. The committed marks
// are kept rendered at the display's resolution, so a drag repaints one cached image and one mark.
//
// Canvas coordinates are points with the origin at the bottom-left and y upwards, like the shot's pixel
// space; Qt's widget coordinates have y downwards. toCanvas and toWidget are the only crossings.
class AnnotationCanvas final : public QWidget {
    Q_OBJECT
public:
    static constexpr double inset = 24;
    // Shorter arrows, measured on screen, are taken for slips of the hand.
    static constexpr double shortestArrow = 8;
    static inline const QColor background = QColor::fromRgbF(0.07f, 0.08f, 0.1f);

    explicit AnnotationCanvas(EditorModel& model, QWidget* parent = nullptr);

    // Where a W × H pixel shot of this scale shows in a view of `bounds` points, in canvas coordinates:
    // fitted into the bounds less the inset, never larger than the shot's own size in points, centred, and
    // widened to whole points. Empty when nothing fits.
    static QRectF imageRect(QSizeF bounds, QSize pixels, double scale);
    QRectF imageRect() const;

    QPointF toCanvas(QPointF widgetPoint) const;
    QPointF toWidget(QPointF canvasPoint) const;
    QRectF toWidget(const QRectF& canvasRect) const;

    // The image pixel under a canvas point, clamped into the image; nothing for a point that is not a number
    // or when the image shows nowhere.
    std::optional<QPointF> imagePoint(QPointF canvasPoint) const;

    const std::optional<Annotation>& draft() const { return m_draft; }
    std::optional<QPointF> pointer() const { return m_pointer; }
    // How often the committed marks were rendered into the cache, for checks that it happens only when due.
    int committedRenders() const { return m_committedRenders; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cache {
        long long version = 0;
        QSizeF size;
        QImage image;
    };

    const QImage* committedImage(QSizeF size);
    double backingScale() const;
    void drawDraft(QPainter& painter, const QRectF& shown, const QRect& dirty) const;
    void drawShadow(QPainter& painter, const QRectF& shown);
    void drawBrushPreview(QPainter& painter, const QRectF& shown) const;
    // Widget rectangles that change when the pointer's brush ring moves, and around a stretch of the draft.
    QRectF ringArea(std::optional<QPointF> pointer) const;
    QRectF draftArea(const Annotation& draft, std::size_t fromPoint) const;
    void setPointer(std::optional<QPointF> pointer);
    void updateCursor();

    EditorModel& m_model;
    std::optional<Annotation> m_draft;
    std::optional<QPointF> m_pointer;
    std::optional<Cache> m_cache;
    QImage m_base; // the shot alone at the cached layer's pixel size
    QPixmap m_shadow;
    bool m_pressIgnored = false;
    int m_committedRenders = 0;
};
