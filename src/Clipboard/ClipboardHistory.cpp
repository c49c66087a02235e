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
#include <QSet>

#include <algorithm>
#include <span>
#include <thread>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A new entry is written under this prefix and its id, then renamed into place when complete; a name of
// this form is never anything but an entry that was cut short.
const QString stagingPrefix = QStringLiteral(".staging-");

// Far beyond any real history (100,000 entries take about 50 MB), far below what would exhaust memory.
constexpr qint64 maximumIndexBytes = 512LL * 1024 * 1024;

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

bool isStagingName(const QString& name)
{
    if (!name.startsWith(stagingPrefix))
        return false;
    const QString id = name.mid(stagingPrefix.size());
    return Uuid::canonical(id) == id;
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

bool ClipboardHistory::wouldTrim(std::optional<int> maximum) const
{
    return maximum && m_list.items.size() > std::max(*maximum, 0);
}

void ClipboardHistory::load()
{
    makeFolder(m_directory, 0700);
    // The folder's listing and the index are read at the same time: at 100,000 entries each is a good
    // part of the start.
    QSet<QString> folders;
    std::jthread scanning([this, &folders] { folders = scanFolder(); });
    const RegularFile::Contents index = RegularFile::read(indexPath(), maximumIndexBytes);
    auto decoded
        = index.status == RegularFile::Status::Read ? HistoryIndex::decode(index.bytes) : std::nullopt;
    scanning.join();
    if (index.status == RegularFile::Status::Missing)
        return;
    if (!decoded) {
        // Kept for the user, and with it every folder it names: it is set aside before anything replaces it.
        m_indexUnreadable = true;
        return;
    }
    QList<ClipboardItem> kept;
    kept.reserve(static_cast<qsizetype>(decoded->size()));
    for (auto& item : *decoded) {
        // A second entry with the same id would share the first one's folder, and trimming it would take
        // the files of an entry still listed: a folder, once listed, is no longer there to be found.
        if (!folders.remove(item.id))
            continue;
        kept.push_back(std::move(item));
    }
    if (!kept.empty())
        changeList([&](HistoryList& list) { list.items = std::move(kept); });
}

QSet<QString> ClipboardHistory::scanFolder() const
{
    // One pass over a folder that may hold 100,000 entries: it names the entry folders, and finds the
    // staging folders a kill left behind. A link where an entry's folder should be is not ours to read from.
    QSet<QString> entries;
    QStringList staged;
    const QByteArray path = QFile::encodeName(m_directory);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return entries;
    constexpr std::size_t idLength = 36;
    while (const dirent* entry = ::readdir(dir)) {
        const std::size_t length = std::strlen(entry->d_name);
        if (length == idLength) {
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat info { };
                isFolder = ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
                    && S_ISDIR(info.st_mode);
            }
            if (isFolder)
                entries.insert(QString::fromLatin1(entry->d_name, static_cast<qsizetype>(idLength)));
        } else if (length == static_cast<std::size_t>(stagingPrefix.size()) + idLength) {
            const QString name = QFile::decodeName(entry->d_name);
            if (isStagingName(name))
                staged.append(name);
        }
    }
    ::closedir(dir);
    for (const QString& name : staged)
        FileTree::remove(m_directory + u'/' + name);
    return entries;
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
    return directory + u'/' + stagingPrefix + item.id;
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
    const qsizetype index = m_list.indexOfId(item.id);
    if (index < 0)
        return;
    const double now = m_clock.currentDate();
    changeList([&](HistoryList& list) { list.moveToTop(index, now); });
    save();
}

void ClipboardHistory::remove(const ClipboardItem& item)
{
    const qsizetype index = m_list.indexOfId(item.id);
    if (index < 0)
        return;
    std::optional<ClipboardItem> removed;
    changeList([&](HistoryList& list) { removed = list.takeAt(index); });
    save(std::span(&*removed, 1));
}

void ClipboardHistory::apply(HistoryLimit limit)
{
    m_limit = HistoryLimits::maximumCount(limit);
    std::vector<ClipboardItem> trimmed;
    if (wouldTrim(m_limit))
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
