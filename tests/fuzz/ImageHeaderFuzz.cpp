#include "Clipboard/ImageDecoding.h"

#include <cstdlib>

// Hostile image bytes: header reading, orientation and the bounded decode must never crash or allocate
// beyond the decoder's cap.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const int orientation = ImageDecoding::pngExifOrientation(bytes);
    if (orientation < 1 || orientation > 8)
        std::abort();
    ImageDecoding::headerSize(bytes);
    const QImage image = ImageDecoding::decodeUpright(bytes);
    if (!image.isNull() && qint64(image.width()) * image.height() > ImageDecoding::maximumPixels)
        std::abort();
    return 0;
}
