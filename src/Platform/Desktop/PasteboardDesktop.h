#pragma once

#include "Platform/Pasteboard.h"

#include <QObject>

#include <memory>
#include <optional>

class QClipboard;
class QMimeData;

// The X11 CLIPBOARD selection through QClipboard. MIME types map to type identifiers both ways; types
// without a counterpart keep their MIME name as identifier so they still round-trip. A uri-list becomes one
// item per URI, and a password manager's "secret" hint the concealed type. The change count moves once per
// change by another client and once per clearContents of ours; the writes that follow a clear belong to
// that change.
class PasteboardDesktop final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit PasteboardDesktop(QClipboard* clipboard, QObject* parent = nullptr);
    ~PasteboardDesktop() override;

    long long changeCount() const override { return m_changeCount; }
    QStringList types() const override;
    std::vector<PasteboardItem> items() const override;
    long long clearContents() override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;

    static QString typeForMime(const QString& mime);
    static QString mimeForType(const QString& type);
    // The clipboard's contents as pasteboard items: one item, or one per URI of a uri-list.
    static std::vector<PasteboardItem> itemsFromMime(const QMimeData& mime);

private:
    void publish();

    QClipboard* m_clipboard;
    long long m_changeCount = 0;
    // What clearContents and writes have staged; handed to the clipboard after each write.
    std::unique_ptr<QMimeData> m_staged;
    bool m_writing = false;
    // The clipboard as last read; dropped on every change.
    mutable std::optional<std::vector<PasteboardItem>> m_read;
};
