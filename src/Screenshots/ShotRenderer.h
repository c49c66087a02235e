#pragma once

#include "Screenshots/Annotation.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>

#include <optional>
#include <span>
#include <vector>

class QPainter;
class Shot;

// The one routine that paints annotations, for the editor's canvas, the live preview and the saved file
// alike, so that what the user sees is what is saved.
namespace ShotRenderer {

// Sizes of the marks for a shot, from its pixel width alone, so that the canvas and the saved image agree.
struct Metrics {
    double lineWidth; // L
    double markerDiameter; // D
    double headLength() const { return 4.2 * lineWidth; }
    double pullBack() const { return 3 * lineWidth; }
    double shaftHalo() const { return 1.6 * lineWidth; }
    double headHalo() const { return 0.6 * lineWidth; }
    double ringWidth() const;
    double ringInset() const { return 0.04 * markerDiameter; }
    double numeralSize() const { return 0.54 * markerDiameter; }

    static Metrics forWidth(int pixelWidth);
};

// The shot's blurred copy: a Gaussian with sigma max(0.018 × the shorter side, 10), edges clamped. Null on
// failure.
QImage blurred(const QImage& image);

// Paints the shot (when `base`) and then the annotations in order into `rect` of the painter's coordinates,
// the image's W × H pixels stretched over it. The painter's state is left as it was.
void draw(const Shot& shot, const std::vector<Annotation>& annotations, QPainter& painter, const QRectF& rect,
    bool base);

// Paints, as `draw` would, a blur mark of this diameter whose stroke is made of the runs of points; where
// runs overlap each pixel is still blurred once.
void drawBlurRuns(const Shot& shot, const std::vector<std::span<const QPointF>>& runs, double diameter,
    QPainter& painter, const QRectF& rect);

// A picture as its file holds it: the PNG bytes, and the picture decoding them gives back (RGB32 for an
// opaque one, ARGB32 otherwise, with the resolution recorded), which the pasteboard's TIFF copy is made
// from.
struct Encoded {
    QByteArray png;
    QImage picture;
};

// PNG bytes recording 72 × scale pixels per inch; nothing when the image cannot be encoded. An image given
// by value and not shared is tagged in place rather than copied.
std::optional<Encoded> encode(QImage image, double scale);
std::optional<QByteArray> png(const QImage& image, double scale);

} // namespace ShotRenderer
