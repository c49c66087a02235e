#pragma once

#include "Clipboard/ClipboardItem.h"
#include "Platform/PasteboardItem.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class Pasteboard;

// One recordable snapshot of the pasteboard: what kind of copy it is, the representations worth keeping,
// the preview line, the fingerprint that recognises the same copy again, and for images a thumbnail.
class PasteboardCapture final {
public:
    struct Representation {
        QString type;
        QByteArray data;
        bool operator==(const Representation&) const = default;
    };

    // The most a text or image copy may hold in total; anything larger is not recorded.
    static constexpr qsizetype maximumBytes = 50'000'000;
    static constexpr int previewLength = 2000; // user-perceived characters
    static constexpr int thumbnailMaxPixelSize = 96;

    ClipboardItem::Kind kind = ClipboardItem::Kind::Text;
    QString preview;
    std::vector<std::vector<Representation>> items;
    QString fingerprint;
    std::optional<QByteArray> thumbnail;

    // What was taken from the pasteboard, before any of the work of making a capture of it.
    struct Contents {
        std::vector<PasteboardItem> items;
        bool files = false;
    };

    // What the pasteboard holds now, or nothing when it must not or cannot be recorded.
    static std::optional<PasteboardCapture> read(const Pasteboard& pasteboard);
    // The reading half of `read`, which must happen where the pasteboard is: nothing when the pasteboard is
    // empty or marked private.
    static std::optional<Contents> take(const Pasteboard& pasteboard);
    // The rest: decoding, previews and the fingerprint. Touches nothing shared, so it may run on any thread.
    static std::optional<PasteboardCapture> of(const Contents& contents);

    // True for the types by which other tools mark a copy as secret, transient or generated.
    static bool isPrivateMarker(const QString& type);
    // SHA-256 of the kind's raw value followed by the bytes, as 64 lower-case hex digits.
    static QString fingerprintOf(ClipboardItem::Kind kind, QByteArrayView bytes);
    // "Изображение W×H" from the image header alone, or "Изображение" when the size cannot be read.
    static QString imageTitle(const QByteArray& image);

private:
    static std::optional<PasteboardCapture> content(const PasteboardItem& item);
    static std::optional<PasteboardCapture> files(const std::vector<PasteboardItem>& items);
};
