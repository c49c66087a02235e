#include "Foundation/PngDecoder.h"

#include "Foundation/PngWriter.h"
#include "TestSupport/TestImages.h"

#include <QColorSpace>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// Flat areas, gradients and noise, so that Qt's writer picks every filter somewhere.
QImage varied(QImage::Format format)
{
    QImage image(301, 203, format);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int noise = y > 100 ? random.bounded(40) : 0;
            image.setPixel(x, y,
                qRgba((x + noise) & 255, (y * 2) & 255, x < 150 ? 90 : (x * y) & 255, 255 - ((x + y) & 127)));
        }
    return image;
}

} // namespace

TEST(PngDecoder, MakesWhatQtMakesOfTheFilesScreenToolsWrite)
{
    for (const QImage::Format format : { QImage::Format_RGB32, QImage::Format_ARGB32 }) {
        QImage picture = varied(format);
        picture.setDotsPerMeterX(5669);
        picture.setDotsPerMeterY(2835);
        for (const QByteArray& png :
            { TestImages::encoded(picture, "PNG"), TestImages::encoded(picture, "PNG", 0),
                TestImages::encoded(picture, "PNG", 100), *PngWriter::write(picture) }) {
            SCOPED_TRACE(testing::Message() << format << " " << png.size());
            const auto ours = PngDecoder::decode(png);
            ASSERT_TRUE(ours);
            const QImage qt = QImage::fromData(png, "PNG");
            EXPECT_EQ(ours->format(), qt.format());
            EXPECT_EQ(*ours, qt);
            EXPECT_EQ(TestImages::encoded(*ours, "TIFF"), TestImages::encoded(qt, "TIFF"));
        }
    }
}

TEST(PngDecoder, LeavesEverythingElseToQt)
{
    QImage withText = varied(QImage::Format_RGB32);
    withText.setText(QStringLiteral("Description"), QStringLiteral("a screen"));
    QImage withColourSpace = varied(QImage::Format_RGB32);
    withColourSpace.setColorSpace(QColorSpace::SRgb);
    const QByteArray plain = TestImages::encoded(varied(QImage::Format_RGB32), "PNG");
    QByteArray badChecksum = plain;
    badChecksum[badChecksum.size() - 17] = static_cast<char>(badChecksum[badChecksum.size() - 17] ^ 1);
    for (const QByteArray& png :
        { TestImages::encoded(withText, "PNG"), TestImages::encoded(withColourSpace, "PNG"),
            TestImages::encoded(varied(QImage::Format_Grayscale8), "PNG"),
            TestImages::encoded(varied(QImage::Format_RGBA64), "PNG"),
            TestImages::encoded(varied(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8), "PNG"),
            plain.left(plain.size() / 2), badChecksum, TestImages::pngHeaderOnly(64, 64) })
        EXPECT_FALSE(PngDecoder::decode(png));
}
