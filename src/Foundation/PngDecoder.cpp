#include "Foundation/PngDecoder.h"

#include "Foundation/LargeImage.h"

#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <libdeflate.h>

namespace PngDecoder {

namespace {

struct Header {
    quint32 width = 0;
    quint32 height = 0;
    bool alpha = false;
};

// The chunks after the header: the compressed image data joined, and the resolution when one is given in
// pixels per metre. False for anything this decoder leaves to Qt.
struct Layout {
    std::vector<std::pair<const char*, quint32>> data;
    size_t dataBytes = 0;
    std::optional<std::pair<quint32, quint32>> resolution;
};

std::optional<Header> header(const QByteArray& png)
{
    if (png.size() < 33 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR"
        || qFromBigEndian<quint32>(png.constData() + 8) != 13)
        return std::nullopt;
    const auto* fields = reinterpret_cast<const uchar*>(png.constData() + 16);
    Header made;
    made.width = qFromBigEndian<quint32>(fields);
    made.height = qFromBigEndian<quint32>(fields + 4);
    const uchar depth = fields[8], colour = fields[9];
    const uchar compression = fields[10], filter = fields[11], interlace = fields[12];
    if (depth != 8 || (colour != 2 && colour != 6) || compression != 0 || filter != 0 || interlace != 0)
        return std::nullopt;
    made.alpha = colour == 6;
    return made;
}

std::optional<Layout> layout(const QByteArray& png)
{
    Layout found;
    qsizetype offset = 33;
    bool dataEnded = false;
    while (offset + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + offset);
        const QByteArrayView type(png.constData() + offset + 4, 4);
        const char* body = png.constData() + offset + 8;
        if (length > static_cast<quint64>(png.size() - offset - 12))
            return std::nullopt;
        if (type == "IEND")
            return found.data.empty() ? std::nullopt : std::optional(std::move(found));
        if (type == "IDAT") {
            if (dataEnded)
                return std::nullopt;
            found.data.emplace_back(body, length);
            found.dataBytes += length;
        } else {
            dataEnded = !found.data.empty();
            // pHYs in pixels per metre is all of the rest that Qt keeps with the picture.
            if (type != "pHYs" || length != 9 || body[8] != 1 || found.resolution)
                return std::nullopt;
            const quint32 x = qFromBigEndian<quint32>(body), y = qFromBigEndian<quint32>(body + 4);
            if (x == 0 || y == 0 || x > 0x7fffffffu || y > 0x7fffffffu)
                return std::nullopt;
            found.resolution = std::pair { x, y };
        }
        offset += 12 + length;
    }
    return std::nullopt;
}

inline uchar paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<uchar>(a);
    return static_cast<uchar>(pb <= pc ? b : c);
}

// Undoes the row's filter in place against the previous row's unfiltered bytes. False for an unknown filter.
bool unfilter(uchar filter, uchar* row, const uchar* previous, size_t length, size_t bpp)
{
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uchar>(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < length; ++i)
            row[i] = static_cast<uchar>(row[i] + previous[i]);
        return true;
    case 3:
        for (size_t i = 0; i < bpp; ++i)
            row[i] = static_cast<uchar>(row[i] + (previous[i] >> 1));
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uchar>(row[i] + ((row[i - bpp] + previous[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < bpp; ++i)
            row[i] = static_cast<uchar>(row[i] + previous[i]);
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uchar>(row[i] + paeth(row[i - bpp], previous[i], previous[i - bpp]));
        return true;
    default:
        return false;
    }
}

struct Decompressor {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Decompressor()
    {
        if (d)
            libdeflate_free_decompressor(d);
    }
};

} // namespace

std::optional<QImage> decode(const QByteArray& png)
{
    const auto head = header(png);
    if (!head || head->width == 0 || head->height == 0 || head->width > 0x7fffffffu / 4
        || head->height > 0x7fffffffu)
        return std::nullopt;
    const auto chunks = layout(png);
    if (!chunks)
        return std::nullopt;
    const size_t bpp = head->alpha ? 4 : 3;
    const size_t rowBytes = head->width * bpp;
    const size_t rawBytes = (rowBytes + 1) * head->height;

    // The inflated rows go to the end of the image's own memory; each row is unfiltered and spread out to
    // 32 bits before the rows after it are overwritten, since an output row never takes more room than the
    // inflated row it comes from plus its filter byte.
    const QSize size(static_cast<int>(head->width), static_cast<int>(head->height));
    QImage image
        = LargeImage::allocate(size, head->alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, rawBytes);
    if (image.isNull())
        return std::nullopt;
    const size_t total = std::max<size_t>(static_cast<size_t>(image.sizeInBytes()), rawBytes);
    uchar* raw = image.bits() + (total - rawBytes);

    QByteArray joined;
    const void* compressed = chunks->data.front().first;
    if (chunks->data.size() > 1) {
        joined.reserve(static_cast<qsizetype>(chunks->dataBytes));
        for (const auto& [body, length] : chunks->data)
            joined.append(body, length);
        compressed = joined.constData();
    }
    Decompressor inflater;
    size_t inflated = 0;
    if (!inflater.d
        || libdeflate_zlib_decompress(inflater.d, compressed, chunks->dataBytes, raw, rawBytes, &inflated)
            != LIBDEFLATE_SUCCESS
        || inflated != rawBytes)
        return std::nullopt;

    std::vector<uchar> previous(rowBytes, 0);
    std::vector<uchar> current(rowBytes);
    for (quint32 y = 0; y < head->height; ++y) {
        const uchar* line = raw + y * (rowBytes + 1);
        std::memcpy(current.data(), line + 1, rowBytes);
        if (!unfilter(line[0], current.data(), previous.data(), rowBytes, bpp))
            return std::nullopt;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        const uchar* in = current.data();
        if (head->alpha) {
            for (quint32 x = 0; x < head->width; ++x, in += 4)
                out[x] = qRgba(in[0], in[1], in[2], in[3]);
        } else {
            for (quint32 x = 0; x < head->width; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        }
        current.swap(previous);
    }
    if (chunks->resolution) {
        image.setDotsPerMeterX(static_cast<int>(chunks->resolution->first));
        image.setDotsPerMeterY(static_cast<int>(chunks->resolution->second));
    }
    return image;
}

} // namespace PngDecoder
