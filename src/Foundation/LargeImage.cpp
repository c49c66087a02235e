#include "Foundation/LargeImage.h"

#include <algorithm>
#include <cstdlib>

#include <sys/mman.h>

namespace LargeImage {

QImage allocate(QSize size, QImage::Format format, size_t bytes)
{
    constexpr size_t hugePage = 2 * 1024 * 1024;
    if (size.isEmpty())
        return {};
    if (QImage::toPixelFormat(format).bitsPerPixel() != 32)
        return bytes == 0 ? QImage(size, format) : QImage();
    const qsizetype bytesPerLine = static_cast<qsizetype>(size.width()) * 4;
    const size_t pixels = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(size.height());
    const size_t total = std::max(pixels, bytes);
    if (total == pixels && pixels < hugePage)
        return QImage(size, format);
    const size_t alignment = total < hugePage ? 64 : hugePage;
    void* memory = nullptr;
    if (posix_memalign(&memory, alignment, (total + alignment - 1) / alignment * alignment) != 0)
        return {};
    if (alignment == hugePage)
        madvise(memory, total, MADV_HUGEPAGE);
    return QImage(
        static_cast<uchar*>(memory), size.width(), size.height(), bytesPerLine, format, std::free, memory);
}

} // namespace LargeImage
