#include "Foundation/ImageReading.h"

#include "TestSupport/TestImages.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

// Everything written to standard error, by Qt or by the decoders' own libraries, while it is held.
class StandardErrorCapture final {
public:
    StandardErrorCapture()
        : m_saved(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        m_file.open();
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    QByteArray release()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    int m_saved;
    QTemporaryFile m_file;
};

} // namespace

TEST(ImageReading, DecodesEveryPictureWithinTheBoundQuietlyAndNothingBeyond)
{
    // 6000 × 6000 in 32 bits is 144 MB, past Qt's default allocation limit but well inside 8K × 8K.
    const QByteArray tiff = TestImages::flat(6000, 6000, "TIFF");
    const QByteArray png = TestImages::flat(6000, 6000, "PNG");
    ImageReading::silenceDecoderMessages();
    StandardErrorCapture errors;

    EXPECT_EQ(ImageReading::headerSize(tiff), QSize(6000, 6000));
    EXPECT_EQ(ImageReading::read(tiff).size(), QSize(6000, 6000));
    EXPECT_EQ(ImageReading::read(png).size(), QSize(6000, 6000));
    EXPECT_EQ(ImageReading::read(png, { .maximumSide = 96 }).size(), QSize(96, 96));
    EXPECT_EQ(ImageReading::read(TestImages::png(300, 150), { .maximumSide = 96 }).size(), QSize(96, 48));
    EXPECT_EQ(ImageReading::read(TestImages::png(40, 20), { .maximumSide = 96 }).size(), QSize(40, 20))
        << "never scaled up";

    EXPECT_TRUE(ImageReading::read(TestImages::pngHeaderOnly(8193, 8192)).isNull());
    EXPECT_TRUE(ImageReading::read(TestImages::flat(9000, 9000, "TIFF", QImage::Format_Mono)).isNull());
    const QByteArray small = TestImages::png(300, 200);
    EXPECT_TRUE(ImageReading::read(small.left(small.size() / 2)).isNull()) << "truncated";
    QByteArray damaged = small;
    damaged[damaged.size() / 2] = static_cast<char>(~damaged[damaged.size() / 2]);
    EXPECT_TRUE(ImageReading::read(damaged).isNull());
    EXPECT_TRUE(ImageReading::read("not an image").isNull());

    EXPECT_EQ(errors.release(), QByteArray()) << "decoders said nothing on standard error";
}
