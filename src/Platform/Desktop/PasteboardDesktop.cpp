#include "Platform/Desktop/PasteboardDesktop.h"

#include "Platform/PasteboardTypes.h"

#include <QClipboard>
#include <QMimeData>

namespace {

const QString uriList = QStringLiteral("text/uri-list");
const QString passwordHint = QStringLiteral("x-kde-passwordManagerHint");
const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");

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
        // Our own writes were counted when they were made.
        if (m_ownChangesPending > 0) {
            --m_ownChangesPending;
            return;
        }
        ++m_changeCount;
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
    const QStringList formats = mime.formats();
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
        if (format == uriList)
            continue;
        const QByteArray data = mime.data(format);
        if (format == passwordHint) {
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
    QStringList result;
    for (const auto& item : items())
        for (const auto& [type, data] : item.representations)
            if (!result.contains(type))
                result.append(type);
    return result;
}

std::vector<PasteboardItem> PasteboardDesktop::items() const
{
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    return mime ? itemsFromMime(*mime) : std::vector<PasteboardItem> {};
}

long long PasteboardDesktop::clearContents()
{
    delete m_staged;
    m_staged = new QMimeData;
    ++m_changeCount;
    ++m_ownChangesPending;
    m_clipboard->clear(QClipboard::Clipboard);
    return m_changeCount;
}

bool PasteboardDesktop::writeItems(const std::vector<PasteboardItem>& items)
{
    if (items.empty())
        return false;
    if (!m_staged)
        m_staged = new QMimeData;
    QList<QUrl> urls = m_staged->urls();
    for (const auto& item : items) {
        for (const auto& [type, data] : item.representations) {
            if (type == PasteboardTypes::fileUrl) {
                urls.append(QUrl::fromEncoded(data));
                continue;
            }
            const QString mime = mimeForType(type);
            if (!m_staged->hasFormat(mime))
                m_staged->setData(mime, data);
        }
    }
    if (!urls.isEmpty())
        m_staged->setUrls(urls);
    publish();
    return true;
}

bool PasteboardDesktop::writeUrls(const std::vector<QUrl>& urls)
{
    std::vector<PasteboardItem> items;
    for (const QUrl& url : urls) {
        PasteboardItem item;
        item.setData(url.isLocalFile() ? PasteboardTypes::fileUrl : PasteboardTypes::url, url.toEncoded());
        items.push_back(std::move(item));
    }
    return writeItems(items);
}

void PasteboardDesktop::publish()
{
    // The clipboard takes ownership; later writes after the same clear extend a copy of what was published.
    QMimeData* copy = new QMimeData;
    for (const QString& format : m_staged->formats())
        copy->setData(format, m_staged->data(format));
    ++m_ownChangesPending;
    m_clipboard->setMimeData(copy, QClipboard::Clipboard);
}
