#include "Screenshots/Blur.h"

#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A picture that is hard on a blur: hard edges, a corner, lone pixels, noise, and lines on the borders.
QImage hardPicture(QSize size, QImage::Format format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(20, 40, 60));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(size.width() / 2, 0, size.width(), size.height(), QColor(250, 10, 200));
    painter.fillRect(0, size.height() * 2 / 3, size.width() / 3, size.height(), QColor(255, 255, 255, 90));
    painter.fillRect(0, 0, size.width(), 2, Qt::white);
    painter.fillRect(size.width() - 1, 0, 1, size.height(), QColor(0, 255, 0));
    painter.end();
    QRandomGenerator random(7);
    for (int y = 10; y < std::min(40, size.height()); ++y)
        for (int x = 10; x < std::min(60, size.width()); ++x)
            image.setPixel(x, y, qRgba(random.bounded(256), random.bounded(256), random.bounded(256), 255));
    image.setPixel(size.width() / 4, size.height() / 2, qRgb(255, 255, 255));
    image.setPixel(size.width() * 3 / 4, size.height() / 2, qRgb(0, 0, 0));
    return image.convertToFormat(format);
}

// The exact Gaussian, one dimension after the other, with the edge pixels repeated.
std::vector<double> reference(const QImage& image, double sigma)
{
    const int w = image.width();
    const int h = image.height();
    const int radius = static_cast<int>(std::ceil(5 * sigma));
    std::vector<double> kernel(2 * radius + 1);
    double total = 0;
    for (int k = -radius; k <= radius; ++k)
        total += kernel[k + radius] = std::exp(-k * k / (2 * sigma * sigma));
    for (auto& weight : kernel)
        weight /= total;

    std::vector<double> rows(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += kernel[k + radius] * line[4 * std::clamp(x + k, 0, w - 1) + c];
                rows[(static_cast<size_t>(y) * w + x) * 4 + c] = sum;
            }
    }
    std::vector<double> result(rows.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += kernel[k + radius]
                        * rows[(static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x) * 4 + c];
                result[(static_cast<size_t>(y) * w + x) * 4 + c] = sum;
            }
    return result;
}

double largestError(const QImage& blurred, const std::vector<double>& expected)
{
    double largest = 0;
    for (int y = 0; y < blurred.height(); ++y) {
        const uchar* line = blurred.constScanLine(y);
        for (int x = 0; x < blurred.width() * 4; ++x) {
            const double e = std::abs(line[x] - expected[static_cast<size_t>(y) * blurred.width() * 4 + x]);
            largest = std::max(largest, e);
        }
    }
    return largest;
}

} // namespace

TEST(Blur, SigmaGrowsWithTheShorterSideFromTen)
{
    EXPECT_DOUBLE_EQ(Blur::sigmaFor(QSize(1000, 600)), 10.8);
    EXPECT_DOUBLE_EQ(Blur::sigmaFor(QSize(600, 1000)), 10.8);
    EXPECT_DOUBLE_EQ(Blur::sigmaFor(QSize(3000, 555)), 10);
    EXPECT_DOUBLE_EQ(Blur::sigmaFor(QSize(5120, 2880)), 0.018 * 2880);
}

TEST(Blur, MatchesTheExactGaussianWithinThreeLevelsEverywhere)
{
    struct Case {
        QSize size;
        QImage::Format format;
        double sigma;
    };
    const std::vector<Case> cases {
        { QSize(320, 260), QImage::Format_ARGB32_Premultiplied, 10 }, // both cores
        { QSize(320, 260), QImage::Format_RGB32, 23.7 },
        { QSize(90, 37), QImage::Format_ARGB32_Premultiplied, 10.8 }, // kernel wider than the picture
        { QSize(3, 1), QImage::Format_RGB32, 51.84 },
        { QSize(64, 50), QImage::Format_ARGB32_Premultiplied, 3.3 }, // no reduction below sigma 10
        { QSize(40, 30), QImage::Format_RGB32, 1300 }, // cells too large for 16-bit sums
    };
    for (const auto& c : cases) {
        const QImage picture = hardPicture(c.size, c.format);
        const QImage blurred = Blur::gaussian(picture, c.sigma);
        ASSERT_EQ(blurred.size(), picture.size());
        EXPECT_EQ(blurred.format(), c.format);
        EXPECT_LE(largestError(blurred, reference(picture, c.sigma)), 3.0)
            << c.size.width() << "×" << c.size.height() << " sigma " << c.sigma;
    }
}

TEST(Blur, KeepsUniformPicturesAndOpacityExact)
{
    QImage uniform(300, 280, QImage::Format_RGB32);
    uniform.fill(QColor(17, 200, 255));
    const QImage blurred = Blur::gaussian(uniform, 30);
    EXPECT_EQ(blurred, uniform) << "constant input, constant output, alpha still opaque";

    EXPECT_TRUE(Blur::gaussian(QImage(), 10).isNull());
    EXPECT_EQ(Blur::gaussian(uniform, 0), uniform);
    EXPECT_EQ(Blur::gaussian(uniform, std::nan("")), uniform);
    QImage indexed = uniform.convertToFormat(QImage::Format_Indexed8);
    EXPECT_EQ(Blur::gaussian(indexed, 10).format(), QImage::Format_ARGB32_Premultiplied);
}
