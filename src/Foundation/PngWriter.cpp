#include "Foundation/PngWriter.h"

#include "Foundation/BothCores.h"

#include <QColorSpace>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace PngWriter {

namespace {

constexpr int upFilter = 2;
// Rows go to zlib in batches of about this many bytes: fewer calls, and still little memory.
constexpr size_t batchBytes = 256 * 1024;
// The rows are deflated in runs of about this many bytes, which the two threads take in turn: a picture's
// costly parts (a photo, say) are seldom spread evenly over its height. Each run starts without the
// previous run's window, which costs a fraction of a per cent.
constexpr size_t runBytes = 2 * 1024 * 1024;
constexpr int mostRuns = 64;

void appendChunk(QByteArray& png, const char* type, QByteArrayView data)
{
    std::array<char, 4> field {};
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), field.data());
    png.append(field.data(), 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    const auto* typeAndData = reinterpret_cast<const Bytef*>(png.constData() + start);
    qToBigEndian<quint32>(
        static_cast<quint32>(::crc32(0, typeAndData, static_cast<uInt>(data.size() + 4))), field.data());
    png.append(field.data(), 4);
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(value, bytes.data());
    return bytes;
}

// The bytes of one row as the PNG stores them, before filtering.
void storedRow(const QImage& image, int y, bool alpha, unsigned char* out)
{
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const int width = image.width();
    if (alpha) {
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = static_cast<unsigned char>(qRed(pixels[x]));
            out[1] = static_cast<unsigned char>(qGreen(pixels[x]));
            out[2] = static_cast<unsigned char>(qBlue(pixels[x]));
            out[3] = static_cast<unsigned char>(qAlpha(pixels[x]));
        }
        return;
    }
    for (int x = 0; x < width; ++x, out += 3) {
        out[0] = static_cast<unsigned char>(qRed(pixels[x]));
        out[1] = static_cast<unsigned char>(qGreen(pixels[x]));
        out[2] = static_cast<unsigned char>(qBlue(pixels[x]));
    }
}

// One run of rows deflated on its own: a piece of the stream that the next piece continues, or that ends
// it, and the Adler-32 of the bytes it holds.
struct Piece {
    std::vector<QByteArray> blocks;
    uLong adler = 0;
    size_t rawBytes = 0;
    bool ok = false;
};

void deflateRows(const QImage& image, bool alpha, int first, int end, bool last, Piece& piece)
{
    const size_t rowBytes = static_cast<size_t>(image.width()) * (alpha ? 4 : 3);
    const size_t lineBytes = rowBytes + 1;
    z_stream stream {};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    std::vector<unsigned char> previous(rowBytes, 0);
    std::vector<unsigned char> current(rowBytes);
    if (first > 0)
        storedRow(image, first - 1, alpha, previous.data());
    const size_t rowsPerBatch = std::max<size_t>(1, batchBytes / lineBytes);
    std::vector<unsigned char> batch(rowsPerBatch * lineBytes);
    std::vector<unsigned char> out(batchBytes);
    piece.adler = ::adler32(0, nullptr, 0);
    bool ok = true;
    for (int y = first; y < end && ok;) {
        size_t filled = 0;
        for (; y < end && filled + lineBytes <= batch.size(); ++y, filled += lineBytes) {
            storedRow(image, y, alpha, current.data());
            unsigned char* line = batch.data() + filled;
            line[0] = upFilter;
            for (size_t i = 0; i < rowBytes; ++i)
                line[i + 1] = static_cast<unsigned char>(current[i] - previous[i]);
            current.swap(previous);
        }
        piece.adler = ::adler32(piece.adler, batch.data(), static_cast<uInt>(filled));
        piece.rawBytes += filled;
        stream.next_in = batch.data();
        stream.avail_in = static_cast<uInt>(filled);
        const int flush = y < end ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            const int result = deflate(&stream, flush);
            if (result == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            const size_t made = out.size() - stream.avail_out;
            if (made > 0)
                piece.blocks.emplace_back(
                    reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(made));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    piece.ok = ok;
}

QByteArray iccChunk(const QColorSpace& colorSpace)
{
    const QByteArray profile = colorSpace.iccProfile();
    if (profile.isEmpty())
        return {};
    QByteArray name = colorSpace.description().toLatin1().left(79).trimmed();
    if (name.isEmpty())
        name = "ICC profile";
    uLongf size = compressBound(static_cast<uLong>(profile.size()));
    QByteArray packed(static_cast<qsizetype>(size), '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(profile.constData()), static_cast<uLong>(profile.size()))
        != Z_OK)
        return {};
    packed.truncate(static_cast<qsizetype>(size));
    return name + '\0' + '\0' + packed;
}

} // namespace

std::optional<QByteArray> write(const QImage& image)
{
    if (image.isNull() || (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32))
        return std::nullopt;
    const bool alpha = image.format() == QImage::Format_ARGB32;
    const size_t rawBytes = (static_cast<size_t>(image.width()) * (alpha ? 4 : 3) + 1) * image.height();

    // Each run starts at a byte boundary (the one before ends with a sync flush), so their bytes simply
    // follow one another; the checksum of the whole is combined from theirs.
    const int runs
        = static_cast<int>(std::clamp<size_t>(rawBytes / runBytes, 1, std::min(mostRuns, image.height())));
    std::vector<Piece> pieces(static_cast<size_t>(runs));
    std::atomic<int> next { 0 };
    const bool ran = onBothCores(2, runs > 1, [&](int, int) {
        for (int run; (run = next.fetch_add(1)) < runs;) {
            const int from = static_cast<int>(static_cast<qint64>(image.height()) * run / runs);
            const int to = static_cast<int>(static_cast<qint64>(image.height()) * (run + 1) / runs);
            deflateRows(image, alpha, from, to, run == runs - 1, pieces[static_cast<size_t>(run)]);
        }
    });
    if (!ran || std::any_of(pieces.begin(), pieces.end(), [](const Piece& piece) { return !piece.ok; }))
        return std::nullopt;

    QByteArray stream("\x78\x01", 2);
    uLong adler = pieces.front().adler;
    for (size_t run = 0; run < pieces.size(); ++run) {
        for (const QByteArray& block : pieces[run].blocks)
            stream.append(block);
        if (run > 0)
            adler = adler32_combine(adler, pieces[run].adler, static_cast<z_off_t>(pieces[run].rawBytes));
    }
    stream.append(bigEndian(static_cast<quint32>(adler)));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(stream.size() + 1024);
    QByteArray header
        = bigEndian(static_cast<quint32>(image.width())) + bigEndian(static_cast<quint32>(image.height()));
    header.append(char(8));
    header.append(char(alpha ? 6 : 2));
    header.append(3, '\0');
    appendChunk(png, "IHDR", header);
    if (image.colorSpace().isValid())
        if (const QByteArray icc = iccChunk(image.colorSpace()); !icc.isEmpty())
            appendChunk(png, "iCCP", icc);
    if (image.dotsPerMeterX() > 0 || image.dotsPerMeterY() > 0) {
        QByteArray resolution = bigEndian(static_cast<quint32>(std::max(image.dotsPerMeterX(), 0)))
            + bigEndian(static_cast<quint32>(std::max(image.dotsPerMeterY(), 0)));
        resolution.append(char(1));
        appendChunk(png, "pHYs", resolution);
    }
    appendChunk(png, "IDAT", stream);
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace PngWriter
