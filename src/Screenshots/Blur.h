#pragma once

#include <QImage>

// The Gaussian blur behind the blur brush. A blur this wide only needs its input at a fraction of the
// resolution: the picture is averaged down by k = ⌊sigma / 5⌋ in both directions, blurred there with an
// exact Gaussian kernel (sigma reduced by what the averaging and the interpolation add), and interpolated
// back up, on both cores. Pixels beyond the edges repeat the edge pixels. Against an exact full-resolution
// Gaussian the result differs by about one level of 255.
namespace Blur {

// max(0.018 × the shorter side, 10): strong enough to hide text at any screen scale.
double sigmaFor(QSize size);

// A blurred copy of the same size. RGB32 and premultiplied ARGB32 keep their format; other images come back
// as premultiplied ARGB32. A null image for a null input or when memory runs out; a plain copy for a sigma
// that is not a positive number.
QImage gaussian(const QImage& image, double sigma);

} // namespace Blur
