#pragma once

#include "Platform/Pasteboard.h"

#include <QObject>

class QClipboard;
class QMimeData;

// The X11 CLIPBOARD selection through QClipboard. MIME types map to type identifiers both ways; types
// without a counterpart keep their MIME name as identifier so they still round-trip.
class PasteboardDesktop final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit PasteboardDesktop(QClipboard* clipboard, QObject* parent = nullptr);

    long long changeCount() const override { return m_changeCount; }
    QStringList types() const override;
    std::vector<PasteboardItem> items() const override;
    long long clearContents() override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;
    bool writeUrls(const std::vector<QUrl>& urls) override;

    static QString typeForMime(const QString& mime);
    static QString mimeForType(const QString& type);
    // The clipboard's contents as pasteboard items: one item, or one per URI of a uri-list.
    static std::vector<PasteboardItem> itemsFromMime(const QMimeData& mime);

private:
    void publish();

    QClipboard* m_clipboard;
    long long m_changeCount = 0;
    // What clearContents and writes have staged; handed to the clipboard after each write.
    QMimeData* m_staged = nullptr;
    int m_ownChangesPending = 0;
};
