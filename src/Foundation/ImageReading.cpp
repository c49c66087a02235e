#include "Foundation/ImageReading.h"

#include "Foundation/LargeImage.h"
#include "Foundation/PngDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <atomic>
#include <mutex>

#include <zlib.h>

namespace ImageReading {

namespace {

// Up to 64 bits per pixel (16-bit RGBA), with room for the decoder's own buffers.
constexpr int allocationLimitMegabytes = static_cast<int>(maximumPixels * 8 / (1024 * 1024)) + 64;

bool isPng(const QByteArray& bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

// libpng reports a damaged file straight to standard error, past any message handler. Truncation and
// damaged bytes, the ways a PNG really gets damaged, show in its chunk structure and checksums, which
// cost little to check before the decoder sees the file.
bool pngChunksIntact(const QByteArray& png)
{
    qsizetype offset = 8;
    while (offset + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + offset);
        if (length > static_cast<quint64>(png.size() - offset - 12))
            return false;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png.constData() + offset + 4);
        const quint32 stored = qFromBigEndian<quint32>(png.constData() + offset + 8 + length);
        if (::crc32(0, typeAndData, length + 4) != stored)
            return false;
        if (QByteArrayView(png.constData() + offset + 4, 4) == "IEND")
            return true;
        offset += 12 + length;
    }
    return false;
}

// The format Qt's PNG decoder picks for an 8-bit truecolour picture, read from the header: decoding into
// an image of that format made beforehand puts the pixels where LargeImage wants them. Any other PNG, or a
// guess Qt disagrees with, is decoded into an image of Qt's own making.
QImage::Format pngTarget(const QByteArray& png)
{
    if (png.size() < 33 || png.mid(12, 4) != "IHDR" || png[24] != 8)
        return QImage::Format_Invalid;
    switch (png[25]) {
    case 2:
        return QImage::Format_RGB32;
    case 6:
        return QImage::Format_ARGB32;
    default:
        return QImage::Format_Invalid;
    }
}

std::atomic<QtMessageHandler> previousHandler { nullptr };

bool isDecoderMessage(const QMessageLogContext& context, const QString& message)
{
    const QLatin1StringView category(context.category ? context.category : "");
    if (category.startsWith(QLatin1StringView("qt.gui.imageio"))
        || category.startsWith(QLatin1StringView("qt.imageformats")))
        return true;
    for (const char* prefix : { "QImageIOHandler", "QImageReader", "QImage: out of memory", "libpng",
             "libtiff", "TIFF", "Corrupt JPEG", "Premature end of JPEG" })
        if (message.startsWith(QLatin1StringView(prefix)))
            return true;
    return false;
}

void filterDecoderMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if ((type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        && isDecoderMessage(context, message))
        return;
    if (const QtMessageHandler previous = previousHandler.load())
        previous(type, context, message);
}

} // namespace

QSize headerSize(const QByteArray& bytes)
{
    // A PNG states its size in the first chunk; reading it directly needs no decoder at all.
    if (isPng(bytes) && bytes.size() >= 24 && bytes.mid(12, 4) == "IHDR") {
        const quint32 width = qFromBigEndian<quint32>(bytes.constData() + 16);
        const quint32 height = qFromBigEndian<quint32>(bytes.constData() + 20);
        if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
            return {};
        return QSize(static_cast<int>(width), static_cast<int>(height));
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.size();
}

bool withinBounds(QSize size)
{
    return size.isValid() && !size.isEmpty() && qint64(size.width()) * size.height() <= maximumPixels;
}

QImage read(const QByteArray& bytes, Options options)
{
    if (isPng(bytes) && !pngChunksIntact(bytes))
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!withinBounds(reader.size()))
        return {};
    // Qt's default limit (128 MB) refuses pictures well inside the bound; the bound is the limit that counts.
    // The limit is one process-wide value and decoding runs on worker threads too: it is set once.
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { QImageReader::setAllocationLimit(allocationLimitMegabytes); });
    reader.setAutoTransform(options.autoTransform);
    const QSize size = reader.size();
    const bool shrink = options.maximumSide > 0
        && (size.width() > options.maximumSide || size.height() > options.maximumSide);
    // A decoder that can produce a smaller picture directly (JPEG) never builds the full one. Others decode
    // whole and are scaled below, which gives the same result. Decoding a little larger keeps the scaling
    // below smooth.
    if (shrink && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(
            size.scaled(options.maximumSide * 2, options.maximumSide * 2, Qt::KeepAspectRatio)
                .expandedTo(QSize(1, 1)));
    if (!shrink && isPng(bytes))
        if (auto decoded = PngDecoder::decode(bytes))
            return std::move(*decoded);
    QImage image;
    if (!shrink && isPng(bytes) && pngTarget(bytes) != QImage::Format_Invalid)
        image = LargeImage::allocate(size, pngTarget(bytes));
    if (!reader.read(&image))
        return {};
    if (options.maximumSide > 0
        && (image.width() > options.maximumSide || image.height() > options.maximumSide))
        image = image.scaled(
            options.maximumSide, options.maximumSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void silenceDecoderMessages()
{
    static std::atomic<bool> installed { false };
    if (installed.exchange(true))
        return;
    previousHandler.store(qInstallMessageHandler(filterDecoderMessages));
}

} // namespace ImageReading
