#pragma once

#include "Platform/Desktop/ClipboardContents.h"
#include "Platform/Pasteboard.h"

#include <QObject>

#include <memory>
#include <optional>
#include <utility>

class QClipboard;
class QMimeData;
class WaylandClipboard;
class X11ClipboardReader;

// The clipboard (X11's CLIPBOARD selection). MIME types map to type identifiers both ways; types without a
// counterpart keep their MIME name as identifier so they still round-trip. A uri-list becomes one item per
// URI, and a password manager's "secret" hint the concealed type. The change count moves once per change by
// another client and once per clearContents of ours; the writes that follow a clear belong to that change.
// On X11 and through Wayland's data-control another client's copy is read on a connection of its own,
// without waiting for that client: its contents arrive within the arrival budget, or are given up. On X11
// writes go through QClipboard, which asks for the bytes of a promised type when a client wants them.
class PasteboardDesktop final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    // Qt's clipboard, written through QClipboard. Where Qt runs on X11, others' copies are read on an X
    // connection of the pasteboard's own; elsewhere Qt's clipboard answers.
    explicit PasteboardDesktop(QClipboard* clipboard, QObject* parent = nullptr);
    // The Wayland clipboard, read and written through `clipboard`, which must outlive the pasteboard. Qt's
    // is left alone: a Wayland client sees it only while one of its windows has the keyboard.
    explicit PasteboardDesktop(WaylandClipboard& clipboard, QObject* parent = nullptr);
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

    void othersCopied();
    void readOthersCopy();
    void received(std::optional<ClipboardContents> read);
    void cancelRead();
    void readClipboardDirectly() const;
    void publish();

    // Exactly one of Qt's clipboard and the Wayland one.
    QClipboard* m_clipboard = nullptr;
    WaylandClipboard* m_wayland = nullptr;
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
