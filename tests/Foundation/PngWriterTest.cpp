#include "Foundation/PngWriter.h"

#include <QColorSpace>

#include <gtest/gtest.h>

TEST(PngWriter, QtReadsBackThePictureItsResolutionAndColourSpace)
{
    for (const QImage::Format format : { QImage::Format_RGB32, QImage::Format_ARGB32 }) {
        // Tall enough to be deflated in several runs on both threads.
        QImage picture(700, 1500, format);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgba(x & 255, (x * y) & 255, y & 255, (x + 3 * y) & 255));
        picture.setDotsPerMeterX(5669);
        picture.setDotsPerMeterY(5669);
        picture.setColorSpace(QColorSpace::SRgb);
        const auto png = PngWriter::write(picture);
        ASSERT_TRUE(png);
        const QImage decoded = QImage::fromData(*png, "PNG");
        EXPECT_EQ(decoded.format(), format);
        EXPECT_EQ(decoded, picture);
        EXPECT_EQ(decoded.dotsPerMeterX(), 5669);
        EXPECT_EQ(decoded.colorSpace().iccProfile(), picture.colorSpace().iccProfile());
    }
    EXPECT_FALSE(PngWriter::write(QImage()));
    EXPECT_FALSE(PngWriter::write(QImage(4, 4, QImage::Format_ARGB32_Premultiplied)));
}
