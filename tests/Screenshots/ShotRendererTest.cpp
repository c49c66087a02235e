#include "Screenshots/ShotRenderer.h"
#include "Foundation/EventLoopScheduler.h"
#include "Screenshots/Shot.h"
#include "TestSupport/TestImages.h"

#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage solid(QSize size, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

// The shot drawn with `annotations` into a transparent picture of its own size, without the screenshot.
QImage marksOnly(const Shot& shot, const std::vector<Annotation>& annotations)
{
    QImage canvas(shot.image().size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    ShotRenderer::draw(shot, annotations, painter, QRectF(canvas.rect()), false);
    return canvas;
}

bool blank(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace

TEST(ShotRenderer, SizesComeFromThePixelWidthAlone)
{
    const auto wide = ShotRenderer::Metrics::forWidth(3000);
    EXPECT_EQ(wide.lineWidth, 14);
    EXPECT_EQ(wide.markerDiameter, 65);
    EXPECT_DOUBLE_EQ(wide.ringWidth(), 5.2);
    const auto narrow = ShotRenderer::Metrics::forWidth(500);
    EXPECT_EQ(narrow.lineWidth, 4);
    EXPECT_EQ(narrow.markerDiameter, 26);
    EXPECT_DOUBLE_EQ(narrow.ringWidth(), 2.08);
    EXPECT_EQ(ShotRenderer::Metrics::forWidth(1210).lineWidth, 6) << "5.5 rounds away from zero";
    EXPECT_DOUBLE_EQ(ShotRenderer::Metrics::forWidth(5120).headLength(), 4.2 * 23);
}

TEST(ShotRenderer, ShortArrowsAndEmptyStrokesDrawNothing)
{
    const Shot shot(solid(QSize(500, 300), Qt::blue), solid(QSize(500, 300), Qt::red), 2);
    const QPointF from(100, 100);
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Arrow { from, from } })));
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Arrow { from, from + QPointF(4, 0) } }))) << "length = L";
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Arrow { from, from + QPointF(0, -4) } })));
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Blur { {}, 40 } })));
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Blur { { from }, 0 } })));
    EXPECT_TRUE(blank(marksOnly(shot, { Annotation::Arrow { from, QPointF(std::nan(""), 5) } })));
    EXPECT_FALSE(blank(marksOnly(shot, { Annotation::Arrow { from, from + QPointF(4.01, 0) } })));
}

TEST(ShotRenderer, ArrowsPointFromTailToTipWithYUpwards)
{
    const Shot shot(solid(QSize(500, 300), Qt::black), solid(QSize(500, 300), Qt::black), 1);
    // From low on the left to high on the right, in bottom-left coordinates.
    QImage canvas = marksOnly(shot, { Annotation::Arrow { QPointF(50, 50), QPointF(450, 250) } });
    const QColor tail = canvas.pixelColor(50, 300 - 50);
    const QColor tip = canvas.pixelColor(440, 300 - 245);
    EXPECT_EQ(tail, QColor(255, 138, 61)) << "the shaft starts at the tail";
    EXPECT_GT(tip.alpha(), 200) << "the head reaches the tip";
    EXPECT_EQ(qAlpha(canvas.pixel(450, 300 - 50)), 0);
    EXPECT_EQ(qAlpha(canvas.pixel(50, 300 - 250)), 0);
    // The halo shows beside the shaft, 0.8 L from its centre line but outside the accent's 0.5 L.
    const QPointF along = QPointF(400, 200) / std::hypot(400, 200);
    const QPointF normal(-along.y(), along.x());
    const QPointF middle = QPointF(250, 150) + normal * 3;
    EXPECT_GT(canvas.pixelColor(qRound(middle.x()), 300 - qRound(middle.y())).greenF(), 0.8);
}

TEST(ShotRenderer, ArrowHeadsOpenTwentyFiveDegreesEachSide)
{
    // W = 2200: L = 10, head 42 long; its corners sit 42 × sin 25° = 17.7 off the shaft, 38.1 behind the tip.
    const Shot shot(solid(QSize(2200, 300), Qt::black), solid(QSize(2200, 300), Qt::black), 1);
    QImage canvas = marksOnly(shot, { Annotation::Arrow { QPointF(100, 150), QPointF(1000, 150) } });
    const QColor accent(255, 138, 61);
    EXPECT_EQ(canvas.pixelColor(1000 - 36, 150 - 15), accent) << "inside the head near a corner";
    EXPECT_EQ(canvas.pixelColor(1000 - 36, 150 + 15), accent);
    EXPECT_EQ(canvas.pixelColor(1000 - 20, 150 - 8), accent);
    EXPECT_NE(canvas.pixelColor(1000 - 20, 150 - 14), accent) << "outside the head's edge";
    EXPECT_EQ(qAlpha(canvas.pixel(1000 - 36, 150 - 25)), 0) << "beyond the corner and its halo";
    EXPECT_EQ(canvas.pixelColor(500, 150 + 4), accent) << "the shaft is L wide";
    EXPECT_NE(canvas.pixelColor(500, 150 + 7), accent);
    EXPECT_GT(qAlpha(canvas.pixel(500, 150 + 7)), 200) << "the halo is 1.6 L wide";
    EXPECT_EQ(qAlpha(canvas.pixel(500, 150 + 10)), 0);
}

TEST(ShotRenderer, BlurStrokesRevealTheBlurredCopyInsideTheirOutline)
{
    const Shot shot(solid(QSize(400, 200), Qt::blue), solid(QSize(400, 200), Qt::red), 2);
    QImage canvas = solid(QSize(400, 200), Qt::green);
    QPainter painter(&canvas);
    ShotRenderer::draw(
        shot, { Annotation::Blur { { QPointF(100, 150) }, 40 } }, painter, QRectF(0, 0, 400, 200), true);
    painter.end();
    // One point: a disc of the brush's diameter, 50 rows below the top edge.
    EXPECT_EQ(canvas.pixelColor(100, 50), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(100 + 18, 50), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(100 + 22, 50), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(100 + 15, 50 + 15), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(100, 150), QColor(Qt::blue));

    // A stroke: round caps past both ends, a band of the diameter along it; the same point twice is a disc.
    canvas = marksOnly(shot,
        { Annotation::Blur { { QPointF(100, 100), QPointF(300, 100) }, 20 },
            Annotation::Blur { { QPointF(50, 20), QPointF(50, 20) }, 10 } });
    EXPECT_EQ(canvas.pixelColor(200, 100 + 8), QColor(Qt::red));
    EXPECT_EQ(qAlpha(canvas.pixel(200, 100 + 12)), 0);
    EXPECT_EQ(canvas.pixelColor(300 + 8, 100), QColor(Qt::red));
    EXPECT_EQ(qAlpha(canvas.pixel(300 + 12, 100)), 0);
    EXPECT_EQ(canvas.pixelColor(50, 180), QColor(Qt::red));
    EXPECT_EQ(qAlpha(canvas.pixel(50 + 7, 180)), 0);
}

TEST(ShotRenderer, MarkersAreCentredByTheirGlyphs)
{
    const Shot shot(solid(QSize(3000, 200), Qt::black), solid(QSize(3000, 200), Qt::black), 2);
    const double D = 65;
    for (std::int64_t value : { 1, 4, 7, 9, 10, 11, 77, 128, -3 }) {
        const QPointF centre(500.5, 100.5);
        QImage canvas = marksOnly(shot, { Annotation::Number { centre, value } });
        EXPECT_EQ(canvas.pixelColor(500, 100 - 21), QColor(255, 138, 61)) << "the disc is accent " << value;
        EXPECT_GT(canvas.pixelColor(500, 100 - 30).greenF(), 0.9) << "the halo ring";
        EXPECT_EQ(qAlpha(canvas.pixel(500, 100 - 34)), 0) << "nothing outside the disc";
        // The white numeral: its bounding box within the disc's inner part.
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
        for (int y = 0; y < 200; ++y)
            for (int x = 400; x < 600; ++x) {
                const QPointF offset = QPointF(x + 0.5, y + 0.5) - QPointF(centre.x(), 200 - centre.y());
                if (std::hypot(offset.x(), offset.y()) > 0.36 * D || qGreen(canvas.pixel(x, y)) < 200)
                    continue;
                left = std::min<double>(left, x);
                right = std::max<double>(right, x + 1);
                top = std::min<double>(top, y);
                bottom = std::max<double>(bottom, y + 1);
            }
        ASSERT_LT(left, right) << "a numeral is drawn for " << value;
        EXPECT_NEAR((left + right) / 2, centre.x(), 1.0) << value;
        EXPECT_NEAR((top + bottom) / 2, 200 - centre.y(), 1.0) << value;
        EXPECT_NEAR(bottom - top, 0.54 * D * 0.73, 3) << "cap height of a 0.54 D font, " << value;
    }
}

TEST(ShotRenderer, DrawsIntoTheDestinationRectangleAndKeepsTheRestWithoutBase)
{
    QImage picture = solid(QSize(100, 50), Qt::blue);
    QPainter(&picture).fillRect(0, 0, 50, 25, Qt::yellow); // top-left quarter
    const Shot shot(picture, solid(QSize(100, 50), Qt::red), 1);

    QImage canvas = solid(QSize(300, 300), Qt::green);
    QPainter painter(&canvas);
    painter.setTransform(QTransform::fromTranslate(3, 4)); // the painter's own state is respected and kept
    ShotRenderer::draw(
        shot, { Annotation::Blur { { QPointF(75, 12.5) }, 10 } }, painter, QRectF(97, 96, 200, 100), true);
    EXPECT_EQ(painter.transform(), QTransform::fromTranslate(3, 4));
    painter.end();
    EXPECT_EQ(canvas.pixelColor(120, 120), QColor(Qt::yellow));
    EXPECT_EQ(canvas.pixelColor(280, 120), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(250, 175), QColor(Qt::red)) << "annotations scale with the rectangle";
    EXPECT_EQ(canvas.pixelColor(50, 50), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(299, 299), QColor(Qt::green));

    canvas = solid(QSize(100, 50), Qt::green);
    painter.begin(&canvas);
    ShotRenderer::draw(
        shot, { Annotation::Blur { { QPointF(75, 12.5) }, 10 } }, painter, QRectF(0, 0, 100, 50), false);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(10, 10), QColor(Qt::green)) << "without base the screenshot is not painted";
    EXPECT_EQ(canvas.pixelColor(75, 37), QColor(Qt::red));
}

TEST(Shot, DecodesBlursAndKeepsScaleAtLeastOne)
{
    QImage picture = solid(QSize(640, 400), Qt::white);
    QPainter(&picture).fillRect(0, 0, 320, 400, Qt::black);
    const auto shot = Shot::create(TestImages::encoded(picture), QStringLiteral("/tmp/a.png"), 0.5);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->image(), picture);
    EXPECT_EQ(shot->blurred().size(), picture.size());
    // sigma 10 for a 400-pixel-high shot: the first white column is 0.05 sigma past the edge.
    EXPECT_NEAR(qRed(shot->blurred().pixel(320, 200)), 255 * 0.5199, 2) << "the edge is blurred";
    EXPECT_EQ(qRed(shot->blurred().pixel(0, 200)), 0);
    EXPECT_EQ(shot->scale(), 1.0);
    EXPECT_EQ(shot->file(), QStringLiteral("/tmp/a.png"));
    EXPECT_EQ(Shot::create(TestImages::encoded(picture), std::nullopt, 2)->scale(), 2.0);
    EXPECT_EQ(Shot::create(TestImages::encoded(picture), std::nullopt, std::nan(""))->scale(), 1.0);
    // Bytes that are no picture are ImageReadingTest's, and the broken tools scenario's.
    EXPECT_FALSE(Shot::create(QByteArray(), std::nullopt, 2));
}

// The capture flow makes its shots on a worker thread; they must be what the main thread would have made.
TEST(Shot, MadeOnAWorkerThreadItIsTheSameShot)
{
    QImage picture(1200, 800, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QByteArray png = TestImages::encoded(picture);
    const auto here = Shot::create(png, std::nullopt, 2);
    std::shared_ptr<Shot> there;
    bool done = false;
    EventLoopScheduler scheduler;
    scheduler.background([&] { there = Shot::create(png, std::nullopt, 2); }, [&] { done = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    ASSERT_TRUE(here && there);
    EXPECT_EQ(there->image(), here->image());
    EXPECT_EQ(there->blurred(), here->blurred());
}

// The pasteboard's TIFF copy of a finished edit is made from the picture the encoder hands back: it must be
// the TIFF that decoding the file would give.
TEST(ShotRenderer, EncodingRecordsTheScreenResolutionAndGivesBackWhatDecodingWould)
{
    for (const QImage::Format format : { QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied }) {
        QImage picture = solid(QSize(30, 20), QColor(0, 200, 220, 150), format);
        picture.setColorSpace(QColorSpace::SRgb);
        for (double scale : { 1.0, 2.0, 3.0 }) {
            const auto encoded = ShotRenderer::encode(picture, scale);
            ASSERT_TRUE(encoded);
            const QImage decoded = QImage::fromData(encoded->png, "PNG");
            EXPECT_EQ(decoded, picture.convertToFormat(decoded.format()));
            EXPECT_NEAR(decoded.dotsPerMeterX() * 0.0254, 72 * scale, 0.05);
            EXPECT_EQ(decoded.dotsPerMeterY(), decoded.dotsPerMeterX());
            EXPECT_EQ(TestImages::encoded(encoded->picture, "TIFF"), TestImages::encoded(decoded, "TIFF"));
        }
    }
    EXPECT_FALSE(ShotRenderer::png(QImage(), 2));
}
