#pragma once

#include "Platform/Pasteboard.h"

#include <QObject>

#include <memory>
#include <optional>
#include <utility>

class QClipboard;
class QMimeData;
class X11ClipboardReader;

// The CLIPBOARD selection. MIME types map to type identifiers both ways; types without a counterpart keep
// their MIME name as identifier so they still round-trip. A uri-list becomes one item per URI, and a
// password manager's "secret" hint the concealed type. The change count moves once per change by another
// client and once per clearContents of ours; the writes that follow a clear belong to that change.
// On X11 another client's copy is read on a connection of its own, without waiting for that client: its
// contents arrive within the arrival budget, or are given up. Writes go through QClipboard, which asks for
// the bytes of a promised type when a client wants them.
class PasteboardDesktop final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit PasteboardDesktop(QClipboard* clipboard, QObject* parent = nullptr);
    ~PasteboardDesktop() override;

    long long changeCount() const override { return m_changeCount; }
    bool contentsArrived() const override { return m_arrived; }
    QStringList types() const override;
    std::vector<PasteboardItem> items() const override;
    long long clearContents() override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;
    // What this program wrote since its last clear; nothing once another client has copied since.
    bool offerAsPrimarySelection() override;

    static QString typeForMime(const QString& mime);
    static QString mimeForType(const QString& type);
    // The clipboard's contents as pasteboard items: one item, or one per URI of a uri-list.
    static std::vector<PasteboardItem> itemsFromMime(const QMimeData& mime);
    // Of the formats an owner offers, those whose data a copy needs, in the order to read them: one
    // format per type (plain text declared as UTF-8 first), the image as PNG when it is offered so, the
    // uri-list and the password manager's hint. The others cost the owner conversions nobody keeps.
    static QStringList formatsToRead(const QStringList& offered);

private:
    class StagedMime;

    void readOthersCopy();
    void readClipboardDirectly() const;
    void publish();

    QClipboard* m_clipboard;
    // Only where Qt's clipboard is the X11 one; elsewhere QClipboard is read directly.
    X11ClipboardReader* m_reader = nullptr;
    long long m_changeCount = 0;
    // What clearContents and writes have staged; handed to the clipboard after each write.
    std::unique_ptr<StagedMime> m_staged;
    bool m_writing = false;
    bool m_arrived = true;
    // The contents of the current change once read: the types on offer and the items with their data.
    mutable std::optional<std::pair<QStringList, std::vector<PasteboardItem>>> m_contents;
};
