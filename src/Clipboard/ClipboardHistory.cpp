#include "Clipboard/ClipboardHistory.h"

#include "Clipboard/HistoryIndex.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/AtomicFile.h"
#include "Foundation/FileTree.h"
#include "Foundation/ImageReading.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Uuid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <span>
#include <thread>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates the folder and any missing parents, the last one with `mode`.
void makeFolder(const QString& path, mode_t mode)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    ::mkdir(QFile::encodeName(path).constData(), mode);
}

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(
        QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = AtomicFile::writeAll(fd, bytes);
    return ::close(fd) == 0 && ok;
}

} // namespace

ClipboardHistory::ClipboardHistory(
    QString directory, const Scheduler& clock, QObject* parent, HistorySaver::Mode saving)
    : QObject(parent)
    , m_directory(QDir::cleanPath(std::move(directory)))
    , m_clock(clock)
    , m_saver(saving, [path = indexPath()](const QList<ClipboardItem>& items) {
        return AtomicFile::write(path, [&items](const AtomicFile::Sink& sink) {
            return HistoryIndex::encode({ std::span(items) }, sink);
        });
    })
{
    load();
    // A history that may outlive the event loop still puts its last changes on disk when the program quits.
    if (auto* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &ClipboardHistory::flush);
}

template <typename Change> void ClipboardHistory::changeList(Change&& change)
{
    Q_EMIT listAboutToChange();
    change(m_list);
    Q_EMIT listChanged();
}

QList<ClipboardItem> ClipboardHistory::withHead(
    QList<ClipboardItem> rest, qsizetype room, const QList<ClipboardItem>& head)
{
    // The list only shrinks while the rest is read: a copy waits for it.
    if (head.size() > room)
        return head + rest.sliced(room);
    // Dropping entries at the front only moves where the list begins: nothing is copied or allocated.
    const qsizetype unused = room - head.size();
    std::ranges::copy(head, rest.begin() + unused);
    rest.remove(0, unused);
    return rest;
}

bool ClipboardHistory::wouldTrim(qsizetype count) const
{
    return m_limit && count > std::max(*m_limit, 0);
}

ClipboardHistory::~ClipboardHistory()
{
    // Whoever listens may be gone already: the list is completed for the index's sake alone.
    const QSignalBlocker quiet(this);
    listRest();
}

void ClipboardHistory::load()
{
    makeFolder(m_directory, 0700);
    auto load = std::make_unique<HistoryLoad>(m_directory,
        [this] { QMetaObject::invokeMethod(this, &ClipboardHistory::listRest, Qt::QueuedConnection); });
    HistoryLoad::Part head = load->takeHead();
    if (load->restPending())
        m_waiting = Waiting { std::move(load), head.items.size(), m_clears, false, false, {}, {} };
    if (head.outcome == HistoryLoad::Outcome::Unreadable) {
        // Kept for the user, and with it every folder it names: it is set aside before anything replaces it.
        m_indexUnreadable = true;
        return;
    }
    if (!head.items.empty())
        changeList([&](HistoryList& list) { list.items = std::move(head.items); });
}

void ClipboardHistory::listRest()
{
    if (!m_waiting)
        return;
    HistoryLoad::Part rest = m_waiting->load->takeRest();
    Waiting waiting = std::move(*std::exchange(m_waiting, std::nullopt));
    std::vector<ClipboardItem> gone = std::move(waiting.gone);
    if (rest.outcome != HistoryLoad::Outcome::Read) {
        // The head came from the same index: it goes, as it would have had the index been read whole, and
        // the folders of entries dropped meanwhile stay with the index set aside, which names them.
        m_indexUnreadable = true;
        if (!m_list.items.empty())
            changeList([](HistoryList& list) { list.items.clear(); });
        gone.clear();
    } else {
        // Entries listed before a clear went with it; a limit set meanwhile counts the whole list.
        const bool grows = waiting.clears == m_clears && !rest.items.empty();
        if (!grows)
            std::ranges::move(rest.items, std::back_inserter(gone));
        const bool trims
            = waiting.limitSet && wouldTrim(m_list.items.size() + (grows ? rest.items.size() : 0));
        if (grows || trims) {
            changeList([&](HistoryList& list) {
                if (grows)
                    list.items = withHead(std::move(rest.items), waiting.room, list.items);
                if (trims)
                    std::ranges::move(list.trim(m_limit), std::back_inserter(gone));
            });
        }
    }
    if (waiting.save || !gone.empty())
        save(gone);
    for (const auto& change : waiting.later)
        change();
}

bool ClipboardHistory::deferred(std::function<void()> change)
{
    if (!m_waiting || m_waiting->later.empty())
        return false;
    m_waiting->later.push_back(std::move(change));
    return true;
}

void ClipboardHistory::flush()
{
    listRest();
    m_saver.flush();
}

bool ClipboardHistory::setAsideUnreadableIndex()
{
    const QByteArray path = QFile::encodeName(indexPath());
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT;
    // A folder in its place cannot be an index anybody wrote; it stays, and no index is written over it.
    if (S_ISDIR(info.st_mode))
        return false;
    return ::rename(
               path.constData(), QFile::encodeName(indexPath() + QStringLiteral(".unreadable")).constData())
        == 0;
}

bool ClipboardHistory::indexWritable()
{
    if (m_indexUnreadable && !setAsideUnreadableIndex())
        return false;
    m_indexUnreadable = false;
    return true;
}

void ClipboardHistory::save(std::span<const ClipboardItem> gone)
{
    if (m_waiting) {
        // Written with the whole list: an index of the first entries alone would lose the rest.
        m_waiting->save = true;
        m_waiting->gone.insert(m_waiting->gone.end(), gone.begin(), gone.end());
        return;
    }
    QStringList folders;
    for (const ClipboardItem& item : gone) {
        // Ids come from our own index, which only admits UUIDs; checking again costs nothing and keeps a
        // path outside the history folder from ever being removed.
        if (Uuid::canonical(item.id) == item.id)
            folders.append(entryFolder(item));
    }
    if (!indexWritable()) {
        for (const QString& folder : folders)
            FileTree::remove(folder);
        return;
    }
    // Shared, not copied: the writer reads it while the list moves on.
    m_saver.save(m_list.items, std::move(folders));
}

QString ClipboardHistory::stagingFolder(const QString& directory, const ClipboardItem& item)
{
    return directory + u'/' + HistoryLoad::stagingName(item.id);
}

bool ClipboardHistory::writeEntryFiles(
    const QString& directory, const QString& folder, const PasteboardCapture& capture)
{
    makeFolder(directory, 0700);
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0)
        return false;
    for (std::size_t i = 0; i < capture.items.size(); ++i) {
        const auto& representations = capture.items[i];
        for (std::size_t j = 0; j < representations.size(); ++j) {
            const QString name = QString::number(i) + u'-' + QString::number(j);
            if (!writeWhole(folder + u'/' + name, representations[j].data))
                return false;
        }
    }
    if (capture.thumbnail && !writeWhole(folder + QStringLiteral("/thumb.png"), *capture.thumbnail))
        return false;
    return true;
}

std::optional<QImage> ClipboardHistory::thumbnail(const ClipboardItem& item) const
{
    // A thumbnail is at most 96 pixels a side; anything much bigger in its place is not one of ours.
    const auto png = RegularFile::bytes(entryFolder(item) + QStringLiteral("/thumb.png"), 4 * 1024 * 1024);
    if (!png)
        return std::nullopt;
    const QImage image
        = ImageReading::read(*png, { .maximumSide = PasteboardCapture::thumbnailMaxPixelSize });
    if (image.isNull())
        return std::nullopt;
    return image;
}

void ClipboardHistory::add(const PasteboardCapture& capture, const std::optional<QString>& source)
{
    Recording recording = begin(source);
    prepare(recording, capture);
    finish(std::move(recording));
}

ClipboardHistory::Recording ClipboardHistory::begin(const std::optional<QString>& source) const
{
    Recording recording;
    recording.directory = m_directory;
    recording.date = m_clock.currentDate();
    recording.source = source;
    recording.listed = m_list.items;
    recording.clears = m_clears;
    if (m_waiting)
        recording.leftoversRemoved = m_waiting->load->leftoversRemoved();
    return recording;
}

void ClipboardHistory::prepare(Recording& recording, PasteboardCapture capture)
{
    ClipboardItem& item = recording.item;
    item.id = Uuid::create();
    item.date = recording.date;
    item.kind = capture.kind;
    item.preview = capture.preview;
    item.sourceBundleID = recording.source;
    item.itemTypes.reserve(capture.items.size());
    for (const auto& representations : capture.items) {
        QStringList types;
        for (const auto& representation : representations)
            types.append(representation.type);
        item.itemTypes.push_back(std::move(types));
    }

    // Written whole under a staging name first: a folder under the entry's own name is always complete.
    const QString staging = stagingFolder(recording.directory, item);
    if (recording.leftoversRemoved.valid())
        recording.leftoversRemoved.wait();
    std::optional<bool> written;
    if (capture.hashPending()) {
        // Hashing a large copy takes as long as writing it: both at once, and the files go again should the
        // fingerprint turn out to be one listed before.
        std::thread hashing([&capture] { capture.completeFingerprint(); });
        written = writeEntryFiles(recording.directory, staging, capture);
        hashing.join();
    }
    item.fingerprint = capture.fingerprint;

    const HistoryList listed { std::exchange(recording.listed, {}) };
    const bool seenBefore = listed.indexOfFingerprint(capture.fingerprint) >= 0;
    if (seenBefore) {
        if (written)
            FileTree::remove(staging);
    } else {
        if (!written)
            written = writeEntryFiles(recording.directory, staging, capture);
        recording.files = *written ? Recording::Files::Written : Recording::Files::Failed;
        if (!*written)
            FileTree::remove(staging);
    }
    recording.capture = std::move(capture);
}

void ClipboardHistory::finish(Recording recording)
{
    using Files = Recording::Files;
    if (!recording.capture)
        return;
    // The same copy may be listed in the rest: a copy in the first moments after the start is listed with
    // it, and what comes after it waits too, so that everything happens in the order it was asked for.
    if (m_waiting) {
        m_waiting->later.push_back([this, waiting = std::make_shared<Recording>(std::move(recording))] {
            finish(std::move(*waiting));
        });
        return;
    }
    ClipboardItem& item = recording.item;
    const QString staging = stagingFolder(m_directory, item);
    const qsizetype seen = m_list.indexOfFingerprint(item.fingerprint);
    if (recording.clears != m_clears || seen >= 0) {
        if (recording.files == Files::Written)
            FileTree::remove(staging);
        if (recording.clears != m_clears)
            return;
        changeList([&](HistoryList& list) { list.moveToTop(seen, recording.date); });
        save();
        return;
    }

    if (recording.files == Files::Failed)
        return;
    // Skipped as a copy seen before, but that entry has gone since: written now, as it would have been.
    if (recording.files == Files::Skipped && !writeEntryFiles(m_directory, staging, *recording.capture)) {
        FileTree::remove(staging);
        return;
    }
    const QString folder = entryFolder(item);
    if (::rename(QFile::encodeName(staging).constData(), QFile::encodeName(folder).constData()) != 0) {
        FileTree::remove(staging);
        return;
    }

    // An unreadable index that cannot be set aside leaves nowhere to list the entry: nothing is recorded.
    if (!indexWritable()) {
        FileTree::remove(folder);
        return;
    }

    std::vector<ClipboardItem> trimmed;
    changeList([&](HistoryList& list) {
        list.items.insert(list.items.begin(), std::move(item));
        trimmed = list.trim(m_limit);
    });
    save(trimmed);
}

void ClipboardHistory::touch(const ClipboardItem& item)
{
    if (deferred([this, item] { touch(item); }))
        return;
    const qsizetype index = m_list.indexOfId(item.id);
    if (index < 0)
        return;
    const double now = m_clock.currentDate();
    changeList([&](HistoryList& list) { list.moveToTop(index, now); });
    save();
}

void ClipboardHistory::remove(const ClipboardItem& item)
{
    if (deferred([this, item] { remove(item); }))
        return;
    const qsizetype index = m_list.indexOfId(item.id);
    if (index < 0)
        return;
    std::optional<ClipboardItem> removed;
    changeList([&](HistoryList& list) { removed = list.takeAt(index); });
    save(std::span(&*removed, 1));
}

void ClipboardHistory::apply(HistoryLimit limit)
{
    if (deferred([this, limit] { apply(limit); }))
        return;
    m_limit = HistoryLimits::maximumCount(limit);
    // The entries listed so far are trimmed at once, and the rest once it is listed.
    if (m_waiting)
        m_waiting->limitSet = true;
    std::vector<ClipboardItem> trimmed;
    if (wouldTrim(m_list.items.size()))
        changeList([&](HistoryList& list) { trimmed = list.trim(m_limit); });
    save(trimmed);
}

void ClipboardHistory::clear()
{
    ++m_clears;
    QList<ClipboardItem> taken;
    if (!m_list.items.empty())
        changeList([&](HistoryList& list) { taken = std::exchange(list.items, {}); });
    save(std::as_const(taken));
}
