#pragma once

#include "Foundation/ImageReading.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

// Decoding of image data that came from other applications, so every step assumes hostile input: sizes
// are read from the header first, and nothing larger than `maximumPixels` is ever decoded (ImageReading).
namespace ImageDecoding {

inline constexpr qint64 maximumPixels = ImageReading::maximumPixels;

// The pixel size stated by the header, without decoding pixels; invalid when it cannot be read.
QSize headerSize(const QByteArray& bytes);

// The decoded picture as stored; null when undecodable or too large.
QImage decode(const QByteArray& bytes);
// The decoded picture turned upright per its orientation, its longer side at most `maximumSide` when that
// is positive; null when undecodable or too large.
QImage decodeUpright(const QByteArray& bytes, int maximumSide = 0);

// A PNG of the upright picture, scaled down (never up) so its longer side is at most `maxSide`.
std::optional<QByteArray> thumbnailPng(const QByteArray& bytes, int maxSide);

// The same picture encoded as PNG; nothing when the bytes do not decode.
std::optional<QByteArray> reencodeAsPng(const QByteArray& bytes);

QByteArray encodePng(const QImage& image);

// The EXIF orientation (1–8) stored in a PNG's eXIf chunk; 1 when there is none or it is unreadable.
int pngExifOrientation(const QByteArray& png);

} // namespace ImageDecoding
