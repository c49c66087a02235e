#pragma once

#include <QByteArray>
#include <QImage>

// Image bytes for tests: opaque pictures whose pixels vary, so encodings differ per size.
namespace TestImages {

QImage picture(int width, int height);
// The image in `format` ("PNG", "TIFF"), at Qt's quality (−1: its default).
QByteArray encoded(const QImage& image, const char* format = "PNG", int quality = -1);
QByteArray png(int width, int height);
QByteArray tiff(int width, int height);
// One colour all over, encoded as compactly as the format allows ("PNG" or "TIFF"): large pictures, small
// bytes, the smallest at one bit a pixel (QImage::Format_Mono).
QByteArray flat(int width, int height, const char* format, QImage::Format pixels = QImage::Format_RGB32);
// A PNG whose header claims the given size but whose pixel data is absent.
QByteArray pngHeaderOnly(quint32 width, quint32 height);
// Inserts an eXIf chunk carrying an EXIF orientation (1–8) right after the header chunk.
QByteArray withExifOrientation(const QByteArray& png, int orientation);

} // namespace TestImages
