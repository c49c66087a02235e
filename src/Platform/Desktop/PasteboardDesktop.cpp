#include "Platform/Desktop/PasteboardDesktop.h"

#include "Platform/Desktop/WaylandClipboard.h"
#include "Platform/Desktop/X11ClipboardReader.h"
#include "Platform/PasteboardTypes.h"

#include <QClipboard>
#include <QGuiApplication>
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

// Plain text declared as UTF-8 comes first, whatever order it was offered in: it is the one taken.
QStringList utf8First(QStringList formats)
{
    const auto utf8 = std::find_if(formats.begin(), formats.end(),
        [](const QString& format) { return format.compare(utf8Text, Qt::CaseInsensitive) == 0; });
    if (utf8 != formats.end())
        std::rotate(formats.begin(), utf8, utf8 + 1);
    return formats;
}

bool isMapped(const QString& format)
{
    return std::any_of(mappings().begin(), mappings().end(), [&](const Mapping& mapping) {
        return format.compare(QLatin1String(mapping.mime), Qt::CaseInsensitive) == 0;
    });
}

} // namespace

// What this program offers: data set in full, and formats whose bytes are made when Qt asks for them on a
// client's behalf.
class PasteboardDesktop::StagedMime final : public QMimeData {
public:
    void promise(const QString& format, std::shared_ptr<const PromisedBytes> bytes)
    {
        m_promised.emplace_back(format, std::move(bytes));
    }
    std::shared_ptr<const PromisedBytes> promiseOf(const QString& format) const
    {
        for (const auto& [promised, bytes] : m_promised)
            if (promised == format)
                return bytes;
        return nullptr;
    }
    QStringList formats() const override
    {
        QStringList all = QMimeData::formats();
        for (const auto& [format, bytes] : m_promised)
            if (!all.contains(format))
                all.append(format);
        return all;
    }
    StagedMime* copy() const
    {
        auto* copy = new StagedMime;
        for (const QString& format : QMimeData::formats())
            copy->setData(format, data(format));
        copy->m_promised = m_promised;
        return copy;
    }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override
    {
        if (const auto bytes = promiseOf(format))
            return bytes->bytes();
        return QMimeData::retrieveData(format, type);
    }

private:
    std::vector<std::pair<QString, std::shared_ptr<const PromisedBytes>>> m_promised;
};

PasteboardDesktop::PasteboardDesktop(QClipboard* clipboard, QObject* parent)
    : QObject(parent)
    , m_clipboard(clipboard)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_reader = new X11ClipboardReader(int(arrivalBudget * 1000), this);
        if (!m_reader->isAvailable()) {
            delete m_reader;
            m_reader = nullptr;
        }
    }
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        // Our own writes were counted when they were made.
        if (mode == QClipboard::Clipboard && !m_writing)
            othersCopied();
    });
}

PasteboardDesktop::PasteboardDesktop(WaylandClipboard& clipboard, QObject* parent)
    : QObject(parent)
    , m_wayland(&clipboard)
{
    // The compositor reports only other clients' copies.
    connect(m_wayland, &WaylandClipboard::changed, this, &PasteboardDesktop::othersCopied);
}

void PasteboardDesktop::othersCopied()
{
    ++m_changeCount;
    // Later writes must not bring back what we staged before someone else's copy.
    m_staged.reset();
    readOthersCopy();
}

void PasteboardDesktop::readOthersCopy()
{
    m_contents.reset();
    if (!m_reader && !m_wayland)
        return;
    m_arrived = false;
    auto done = [this, change = m_changeCount](std::optional<ClipboardContents> read) {
        if (change == m_changeCount)
            received(std::move(read));
    };
    if (m_wayland)
        m_wayland->read(&formatsToRead, done);
    else
        m_reader->read(&formatsToRead, done);
}

void PasteboardDesktop::received(std::optional<ClipboardContents> read)
{
    m_arrived = true;
    m_contents.emplace();
    if (!read)
        return;
    QMimeData mime;
    for (const auto& [format, data] : read->data)
        mime.setData(format, data);
    auto& [types, items] = *m_contents;
    items = itemsFromMime(mime);
    types = PasteboardItem::typesOf(items);
    // Formats that were not read still tell what the copy is, such as a marker that it is private.
    for (const QString& format : read->offered)
        if (!isDerivedFormat(format) && format != uriList && format != passwordHint && !mime.hasFormat(format)
            && !types.contains(typeForMime(format)))
            types.append(typeForMime(format));
}

void PasteboardDesktop::cancelRead()
{
    if (m_wayland)
        m_wayland->cancel();
    if (m_reader)
        m_reader->cancel();
}

QStringList PasteboardDesktop::formatsToRead(const QStringList& offered)
{
    const bool offersPng = std::any_of(offered.begin(), offered.end(),
        [](const QString& format) { return typeForMime(format) == PasteboardTypes::png; });
    QStringList formats;
    QStringList types;
    for (const QString& format : utf8First(offered)) {
        if (format == uriList || format == passwordHint) {
            formats.append(format);
            continue;
        }
        const QString type = typeForMime(format);
        if (!isMapped(format) || types.contains(type) || (type == PasteboardTypes::tiff && offersPng))
            continue;
        formats.append(format);
        types.append(type);
    }
    return formats;
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
    const QStringList formats = utf8First(mime.formats());
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
    const auto* staged = dynamic_cast<const StagedMime*>(&mime);
    PasteboardItem content;
    for (const QString& format : formats) {
        if (format == uriList || isDerivedFormat(format))
            continue;
        if (const auto promised = staged ? staged->promiseOf(format) : nullptr) {
            if (!content.hasType(typeForMime(format)))
                content.promise(typeForMime(format), promised);
            continue;
        }
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
    if (!m_arrived)
        return {};
    readClipboardDirectly();
    return m_contents->first;
}

std::vector<PasteboardItem> PasteboardDesktop::items() const
{
    if (!m_arrived)
        return {};
    readClipboardDirectly();
    return m_contents->second;
}

void PasteboardDesktop::readClipboardDirectly() const
{
    if (m_contents)
        return;
    m_contents.emplace();
    // Without a reader of its own, Qt's clipboard is not the X11 one and answers from the process; the
    // contents of the X11 or Wayland clipboard at start are never asked for.
    if (m_reader || m_wayland)
        return;
    if (const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard)) {
        m_contents->second = itemsFromMime(*mime);
        m_contents->first = PasteboardItem::typesOf(m_contents->second);
    }
}

long long PasteboardDesktop::clearContents()
{
    cancelRead();
    m_arrived = true;
    m_contents.emplace();
    m_staged = std::make_unique<StagedMime>();
    ++m_changeCount;
    if (m_wayland) {
        m_wayland->write({});
    } else {
        const QScopedValueRollback writing(m_writing, true);
        m_clipboard->clear(QClipboard::Clipboard);
    }
    return m_changeCount;
}

bool PasteboardDesktop::writeItems(const std::vector<PasteboardItem>& items)
{
    if (items.empty())
        return false;
    if (!m_staged)
        m_staged = std::make_unique<StagedMime>();
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
        for (const auto& [type, promised] : item.promised)
            if (!m_staged->hasFormat(mimeForType(type)))
                m_staged->promise(mimeForType(type), promised);
    }
    if (!uris.isEmpty())
        m_staged->setData(uriList, uris);
    publish();
    return true;
}

bool PasteboardDesktop::offerAsPrimarySelection()
{
    if (!m_clipboard || !m_staged || m_staged->formats().isEmpty() || !m_clipboard->supportsSelection())
        return false;
    m_clipboard->setMimeData(m_staged->copy(), QClipboard::Selection);
    return true;
}

void PasteboardDesktop::publish()
{
    // Reading our own copy needs nobody else, and what was arriving from another is no longer there.
    cancelRead();
    m_arrived = true;
    m_contents.emplace();
    m_contents->second = itemsFromMime(*m_staged);
    m_contents->first = PasteboardItem::typesOf(m_contents->second);
    // Later writes after the same clear extend what is staged, and publish it whole again.
    if (m_wayland) {
        WaylandClipboard::Formats formats;
        WaylandClipboard::Promised promised;
        for (const QString& format : m_staged->formats()) {
            if (auto promise = m_staged->promiseOf(format))
                promised.emplace_back(format, std::move(promise));
            else
                formats.emplace_back(format, m_staged->data(format));
        }
        return m_wayland->write(std::move(formats), std::move(promised));
    }
    // Like the clearing that precedes them, writes are part of the one change clearContents counted.
    const QScopedValueRollback writing(m_writing, true);
    // The clipboard takes ownership of the copy; later writes after the same clear extend the staged one.
    m_clipboard->setMimeData(m_staged->copy(), QClipboard::Clipboard);
}

PasteboardDesktop::~PasteboardDesktop() = default;
