#pragma once

#include "Screenshots/Shot.h"

#include <QImage>

#include <memory>

// Shots for the editor's tests: a picture whose pixels vary, and a "blurred" copy of one plain colour, so
// that where the blur brush went can be told pixel by pixel.
namespace EditorShots {

inline const QColor blurColour = QColor(20, 200, 60);

inline std::shared_ptr<Shot> make(int width, int height, double scale = 2)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) % 256, (y * 5) % 256, 90);
    }
    QImage blurred(width, height, QImage::Format_RGB32);
    blurred.fill(blurColour);
    return std::make_shared<Shot>(std::move(image), std::move(blurred), scale);
}

// A shot of one colour with no variation: quick to make at any size.
inline std::shared_ptr<Shot> plain(int width, int height, double scale = 2)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (!image.isNull())
        image.fill(QColor(70, 130, 180));
    return std::make_shared<Shot>(image, image, scale);
}

} // namespace EditorShots
