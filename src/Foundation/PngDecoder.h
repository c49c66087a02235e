#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// A decoder for the PNGs screen tools write: 8-bit RGB or RGBA, not interlaced, and nothing that changes
// how Qt would present the picture (no colour space, text, transparent colour or offset). It makes exactly
// the image Qt's own decoder makes of such a file, in about half the time, which a 5K screenshot needs.
namespace PngDecoder {

// The picture; nothing when the file is not one this decoder takes, or is damaged in any way: Qt's
// decoder then decides what it holds. The caller has checked the chunks' lengths and checksums.
std::optional<QImage> decode(const QByteArray& png);

} // namespace PngDecoder
