#include "Clipboard/ImageDecoding.h"

#include "Foundation/ImageReading.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

namespace ImageDecoding {

namespace {

quint32 readU32(const char* p, bool littleEndian)
{
    return littleEndian ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
}

quint16 readU16(const char* p, bool littleEndian)
{
    return littleEndian ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
}

// Orientation tag (0x0112) of the first IFD of a TIFF-structured EXIF block.
int exifOrientation(QByteArrayView exif)
{
    if (exif.size() < 8)
        return 1;
    const char* base = exif.data();
    bool little;
    if (base[0] == 'I' && base[1] == 'I')
        little = true;
    else if (base[0] == 'M' && base[1] == 'M')
        little = false;
    else
        return 1;
    const quint32 ifd = readU32(base + 4, little);
    if (ifd > static_cast<quint32>(exif.size()) - 2)
        return 1;
    const quint16 count = readU16(base + ifd, little);
    for (quint32 i = 0; i < count; ++i) {
        const quint64 entry = quint64(ifd) + 2 + quint64(i) * 12;
        if (entry + 12 > static_cast<quint64>(exif.size()))
            return 1;
        if (readU16(base + entry, little) != 0x0112)
            continue;
        const quint16 value = readU16(base + entry + 8, little);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

QImage applyOrientation(QImage image, int orientation)
{
    QTransform t;
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        t.rotate(180);
        break;
    case 4:
        return image.mirrored(false, true);
    case 5:
        t.rotate(90);
        return image.transformed(t).mirrored(true, false);
    case 6:
        t.rotate(90);
        break;
    case 7:
        t.rotate(-90);
        return image.transformed(t).mirrored(true, false);
    case 8:
        t.rotate(-90);
        break;
    default:
        return image;
    }
    return image.transformed(t);
}

bool isPng(const QByteArray& bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

} // namespace

int pngExifOrientation(const QByteArray& png)
{
    if (!isPng(png))
        return 1;
    qsizetype offset = 8;
    while (offset + 8 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + offset);
        const QByteArrayView type(png.constData() + offset + 4, 4);
        const qsizetype dataStart = offset + 8;
        if (length > static_cast<quint32>(png.size() - dataStart))
            return 1;
        if (type == "eXIf")
            return exifOrientation(QByteArrayView(png.constData() + dataStart, length));
        if (type == "IDAT" || type == "IEND")
            return 1; // the chunk must come before the image data
        offset = dataStart + length + 4; // data and CRC
    }
    return 1;
}

QSize headerSize(const QByteArray& bytes)
{
    return ImageReading::headerSize(bytes);
}

QImage decode(const QByteArray& bytes)
{
    return ImageReading::read(bytes);
}

QImage decodeUpright(const QByteArray& bytes, int maximumSide)
{
    QImage image = ImageReading::read(bytes, { .autoTransform = true, .maximumSide = maximumSide });
    // Formats whose handler knows their orientation (JPEG, TIFF) applied it already; PNG's eXIf chunk we
    // read ourselves.
    if (!image.isNull() && isPng(bytes))
        image = applyOrientation(std::move(image), pngExifOrientation(bytes));
    return image;
}

std::optional<QByteArray> thumbnailPng(const QByteArray& bytes, int maxSide)
{
    const QImage image = decodeUpright(bytes, maxSide);
    if (image.isNull())
        return std::nullopt;
    QByteArray png = encodePng(image);
    if (png.isEmpty())
        return std::nullopt;
    return png;
}

std::optional<QByteArray> reencodeAsPng(const QByteArray& bytes)
{
    const QImage image = decode(bytes);
    if (image.isNull())
        return std::nullopt;
    QByteArray png = encodePng(image);
    if (png.isEmpty())
        return std::nullopt;
    return png;
}

QByteArray encodePng(const QImage& image)
{
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "png");
    if (!writer.write(image))
        return {};
    return png;
}

} // namespace ImageDecoding
