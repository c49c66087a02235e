#pragma once

#include "Platform/PasteboardItem.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

class ClipboardHistory;
class KeyboardEvents;
class Pasteboard;
struct ClipboardItem;

// Acts on the system outside the app: puts history entries and images on the pasteboard, and posts the
// Command-key presses that make the application in front paste.
namespace Paster {

// Every key event we post carries this in its user-data field, so our own keyboard tap lets it through.
inline constexpr std::int64_t syntheticMarker = 0x44524D50; // "DRMP"

// Puts the entry back on the pasteboard from its stored files. The new change count, or nothing when
// nothing could be written (the pasteboard is then left untouched).
std::optional<long long> write(
    const ClipboardItem& item, const ClipboardHistory& history, Pasteboard& pasteboard);

// Puts PNG bytes on the pasteboard, with a TIFF copy when they decode as an image.
void copyImage(const QByteArray& png, Pasteboard& pasteboard);
// What copyImage writes, made ahead: the decoding and the TIFF are the slow part, and this may run on any
// thread.
PasteboardItem imageItem(const QByteArray& png);
// Puts an item made by imageItem on the pasteboard.
void copyImage(const PasteboardItem& item, Pasteboard& pasteboard);

// Posts key-down then key-up of `keyCode` with exactly the Command flag and the synthetic marker.
void press(std::uint16_t keyCode, KeyboardEvents& keyboard);

} // namespace Paster
