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
    // Empty while the hash of a large copy made by `of` is still to be computed.
    QString fingerprint;
    std::optional<QByteArray> thumbnail;

    // True when `of` left the fingerprint of a large copy to be computed where its files are written.
    bool hashPending() const { return m_unhashed.has_value(); }
    // Computes a fingerprint left for later; touches nothing but this capture.
    void completeFingerprint();

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
    // The rest: decoding, previews and the fingerprint, which for a text of some megabytes is left pending.
    // Touches nothing shared, so it may run on any thread.
    static std::optional<PasteboardCapture> of(const Contents& contents);
    // Texts from this size on are hashed while their files are written.
    static constexpr qsizetype hashLaterBytes = 4 * 1024 * 1024;

    // True for the types by which other tools mark a copy as secret, transient or generated.
    static bool isPrivateMarker(const QString& type);
    // SHA-256 of the kind's raw value followed by the bytes, as 64 lower-case hex digits.
    static QString fingerprintOf(ClipboardItem::Kind kind, QByteArrayView bytes);
    // "Изображение W×H" from the image header alone, or "Изображение" when the size cannot be read.
    static QString imageTitle(const QByteArray& image);

private:
    std::optional<QByteArray> m_unhashed;

    static std::optional<PasteboardCapture> content(const PasteboardItem& item);
    static std::optional<PasteboardCapture> files(const std::vector<PasteboardItem>& items);
};
