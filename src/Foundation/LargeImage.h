#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>

// Pictures of many megabytes in memory the kernel may back with huge pages: a 5K picture is some 15 000
// small pages, and on a virtual machine faulting each of them in costs more than decoding or blurring it.
namespace LargeImage {

// An image of this size and a 32-bit format, its pixels not yet set, with at least `bytes` of memory from
// its first pixel on (never less than its pixels take): room for a caller that puts something else there
// first. Null when memory runs out.
QImage allocate(QSize size, QImage::Format format, size_t bytes = 0);

} // namespace LargeImage
