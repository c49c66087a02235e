#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// The one place the program decodes pictures, whether they came from another application, from its own
// files or from the screen. Sizes are read from the header first and nothing beyond `maximumPixels` is ever
// decoded; everything within it is, whatever Qt's own allocation limit would say.
namespace ImageReading {

// 8K by 8K: more than any screen or common camera, small enough that decoding stays a bounded allocation.
inline constexpr qint64 maximumPixels = 8192LL * 8192LL;

// The pixel size stated by the header, without decoding pixels; invalid when it cannot be read.
QSize headerSize(const QByteArray& bytes);

// True when the header states a size the program decodes.
bool withinBounds(QSize size);

struct Options {
    // Turn the picture upright per the orientation its format records.
    bool autoTransform = false;
    // When positive, the longer side is at most this (never scaled up); formats that can decode at a
    // reduced size do so.
    int maximumSide = 0;
};

// The decoded picture; null when undecodable or beyond the bound.
QImage read(const QByteArray& bytes, Options options = {});

// Qt's decoders report damaged or refused pictures on standard error. Every such picture is handled as
// undecodable where it is read, so those lines are noise in the program's own log: this drops them and
// passes every other message on.
void silenceDecoderMessages();

} // namespace ImageReading
