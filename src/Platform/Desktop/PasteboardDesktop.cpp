#include "Platform/Desktop/PasteboardDesktop.h"

#include "Platform/PasteboardTypes.h"

#include <QClipboard>
#include <QMimeData>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

const QString uriList = QStringLiteral("text/uri-list");
const QString passwordHint = QStringLiteral("x-kde-passwordManagerHint");
const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");
const QString utf8Text = QStringLiteral("text/plain;charset=utf-8");

// Targets of the X selection protocol itself, and formats Qt derives from others: none is content.
bool isDerivedFormat(const QString& format)
{
    static const QStringList derived { QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"),
        QStringLiteral("INCR"), QStringLiteral("STRING"), QStringLiteral("TEXT"),
        QStringLiteral("COMPOUND_TEXT"), QStringLiteral("application/x-qt-image") };
    return derived.contains(format);
}

struct Mapping {
    const char* mime;
    const QString& type;
};

const std::vector<Mapping>& mappings()
{
    static const std::vector<Mapping> table {
        { "text/plain;charset=utf-8", PasteboardTypes::plainText },
        { "text/plain", PasteboardTypes::plainText },
        { "UTF8_STRING", PasteboardTypes::plainText },
        { "text/rtf", PasteboardTypes::rtf },
        { "text/html", PasteboardTypes::html },
        { "image/png", PasteboardTypes::png },
        { "image/tiff", PasteboardTypes::tiff },
    };
    return table;
}

} // namespace

PasteboardDesktop::PasteboardDesktop(QClipboard* clipboard, QObject* parent)
    : QObject(parent)
    , m_clipboard(clipboard)
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard)
            return;
        m_read.reset();
        // Our own writes were counted when they were made.
        if (m_writing)
            return;
        ++m_changeCount;
        // Later writes must not bring back what we staged before someone else's copy.
        m_staged.reset();
    });
}

QString PasteboardDesktop::typeForMime(const QString& mime)
{
    for (const auto& mapping : mappings())
        if (mime.compare(QLatin1String(mapping.mime), Qt::CaseInsensitive) == 0)
            return mapping.type;
    return mime;
}

QString PasteboardDesktop::mimeForType(const QString& type)
{
    for (const auto& mapping : mappings())
        if (mapping.type == type)
            return QString::fromLatin1(mapping.mime);
    return type;
}

std::vector<PasteboardItem> PasteboardDesktop::itemsFromMime(const QMimeData& mime)
{
    std::vector<PasteboardItem> items;
    QStringList formats = mime.formats();
    // Text declared as UTF-8 is taken over other plain-text flavours, whatever order they were offered in.
    const auto utf8 = std::find_if(formats.begin(), formats.end(),
        [](const QString& format) { return format.compare(utf8Text, Qt::CaseInsensitive) == 0; });
    if (utf8 != formats.end())
        std::rotate(formats.begin(), utf8, utf8 + 1);
    if (formats.contains(uriList)) {
        for (const QByteArray& line : mime.data(uriList).split('\n')) {
            const QByteArray uri = line.trimmed();
            if (uri.isEmpty() || uri.startsWith('#'))
                continue;
            PasteboardItem item;
            item.setData(PasteboardTypes::fileUrl, uri);
            items.push_back(std::move(item));
        }
    }
    PasteboardItem content;
    for (const QString& format : formats) {
        if (format == uriList || isDerivedFormat(format))
            continue;
        const QByteArray data = mime.data(format);
        if (format == passwordHint) {
            // The hint is advice to clipboard keepers, not content; only "secret" asks to be left alone.
            if (data.trimmed() == "secret")
                content.setData(concealed, data);
            continue;
        }
        const QString type = typeForMime(format);
        if (!content.hasType(type))
            content.setData(type, data);
    }
    if (!content.representations.empty()) {
        if (items.empty())
            items.push_back(std::move(content));
        else
            items.front().representations.insert(items.front().representations.end(),
                content.representations.begin(), content.representations.end());
    }
    return items;
}

QStringList PasteboardDesktop::types() const
{
    return PasteboardItem::typesOf(items());
}

std::vector<PasteboardItem> PasteboardDesktop::items() const
{
    // Each format is a round trip to the owning client, so one reading serves until the next change.
    if (!m_read) {
        const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
        m_read = mime ? itemsFromMime(*mime) : std::vector<PasteboardItem> {};
    }
    return *m_read;
}

long long PasteboardDesktop::clearContents()
{
    m_staged = std::make_unique<QMimeData>();
    ++m_changeCount;
    const QScopedValueRollback writing(m_writing, true);
    m_read.reset();
    m_clipboard->clear(QClipboard::Clipboard);
    return m_changeCount;
}

bool PasteboardDesktop::writeItems(const std::vector<PasteboardItem>& items)
{
    if (items.empty())
        return false;
    if (!m_staged)
        m_staged = std::make_unique<QMimeData>();
    QByteArray uris = m_staged->data(uriList);
    for (const auto& item : items) {
        for (const auto& [type, data] : item.representations) {
            if (type == PasteboardTypes::fileUrl || type == PasteboardTypes::url) {
                uris += data + "\r\n";
                continue;
            }
            if (type == concealed)
                continue;
            const QString mime = mimeForType(type);
            if (m_staged->hasFormat(mime))
                continue;
            m_staged->setData(mime, data);
            // Plain text is also offered the way X clients ask for it (UTF8_STRING follows from
            // "text/plain").
            if (mime == utf8Text)
                m_staged->setData(QStringLiteral("text/plain"), data);
        }
    }
    if (!uris.isEmpty())
        m_staged->setData(uriList, uris);
    publish();
    return true;
}

void PasteboardDesktop::publish()
{
    // The clipboard takes ownership; later writes after the same clear extend a copy of what was published.
    auto* copy = new QMimeData;
    for (const QString& format : m_staged->formats())
        copy->setData(format, m_staged->data(format));
    // Like the clearing that precedes them, writes are part of the one change clearContents counted.
    const QScopedValueRollback writing(m_writing, true);
    m_read.reset();
    m_clipboard->setMimeData(copy, QClipboard::Clipboard);
}

PasteboardDesktop::~PasteboardDesktop() = default;
