#include "TestSupport/TestImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

namespace TestImages {

namespace {

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= static_cast<quint8>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), out.data());
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(body), crc.data());
    return out + crc;
}

} // namespace

QByteArray encoded(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, ((x + y) * 3) & 255));
    return image;
}

QByteArray png(int width, int height)
{
    return encoded(picture(width, height), "PNG");
}

QByteArray tiff(int width, int height)
{
    return encoded(picture(width, height), "TIFF");
}

QByteArray flat(int width, int height, const char* format, QImage::Format pixels)
{
    QImage image(width, height, pixels);
    if (pixels == QImage::Format_Mono)
        image.fill(0);
    else
        image.fill(qRgb(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (QByteArrayView(format) == "TIFF")
        writer.setCompression(1); // LZW; PNG's default deflate already keeps a flat picture small
    writer.write(image);
    return bytes;
}

QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", QByteArray(16, 'x'))
        + chunk("IEND", {});
}

QByteArray withExifOrientation(const QByteArray& png, int orientation)
{
    // Big-endian TIFF header, one IFD with one SHORT entry: the orientation tag.
    QByteArray exif("MM\x00\x2a\x00\x00\x00\x08", 8);
    exif += QByteArray("\x00\x01", 2);
    exif += QByteArray("\x01\x12\x00\x03\x00\x00\x00\x01", 8);
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray(2, '\0');
    exif += QByteArray(4, '\0'); // no next IFD
    const qsizetype afterHeader = 8 + 4 + 4 + 13 + 4;
    return png.left(afterHeader) + chunk("eXIf", exif) + png.mid(afterHeader);
}

} // namespace TestImages
