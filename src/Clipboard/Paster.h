#pragma once

#include "Platform/KeyEvent.h"
#include "Platform/PasteboardItem.h"

#include <QByteArray>
#include <QImage>
#include <QString>

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
// The same for a picture decoded already, `decoded` being what decoding `png` gives: the TIFF copy is made
// from it only when a reader asks for it, on whichever thread asks.
PasteboardItem imageItem(const QByteArray& png, const QImage& decoded);
// Puts an item made by imageItem on the pasteboard.
void copyImage(const PasteboardItem& item, Pasteboard& pasteboard);

// Posts key-down then key-up of `keyCode` with exactly the Command flag and the synthetic marker.
void press(std::uint16_t keyCode, KeyboardEvents& keyboard);

// The keys that make an application paste. Most take Command-V (Ctrl+V on Linux); terminals type a
// control character for Ctrl+V and paste with Ctrl+Shift+V, and those of the xterm family paste only the
// primary selection, with Shift+Insert.
struct PasteChord {
    std::uint16_t keyCode = KeyCodes::v;
    std::uint64_t flags = EventFlags::command;
    // The chord pastes the primary selection, not the clipboard: the entry must be offered there too.
    bool fromPrimarySelection = false;
    bool operator==(const PasteChord&) const = default;
};
// The chord for the application known by `identifier` (on X11 the class name of its window, compared
// without regard to case); Command-V for every other and for none.
PasteChord pasteChord(const std::optional<QString>& identifier);
// Posts key-down then key-up of the chord's key with exactly its flags and the synthetic marker.
void press(const PasteChord& chord, KeyboardEvents& keyboard);

} // namespace Paster
