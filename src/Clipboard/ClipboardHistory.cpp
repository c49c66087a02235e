#include "Clipboard/ClipboardHistory.h"

#include "Clipboard/HistoryIndex.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/AtomicFile.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <dirent.h>
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
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = AtomicFile::writeAll(fd, bytes);
    return ::close(fd) == 0 && ok;
}

} // namespace

ClipboardHistory::ClipboardHistory(QString directory, const Scheduler& clock, QObject* parent)
    : QObject(parent)
    , m_directory(QDir::cleanPath(std::move(directory)))
    , m_clock(clock)
{
    load();
}

template <typename Change>
void ClipboardHistory::changeList(Change&& change)
{
    Q_EMIT listAboutToChange();
    change(m_list);
    Q_EMIT listChanged();
}

bool ClipboardHistory::contains(const QString& id) const
{
    return std::any_of(m_list.items.begin(), m_list.items.end(), [&](const ClipboardItem& i) { return i.id == id; });
}

bool ClipboardHistory::wouldTrim(std::optional<int> maximum) const
{
    return maximum && m_list.items.size() > static_cast<std::size_t>(std::max(*maximum, 0));
}

void ClipboardHistory::load()
{
    makeFolder(m_directory, 0700);
    QFile file(indexPath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    auto decoded = HistoryIndex::decode(file.readAll());
    if (!decoded)
        return;
    const QSet<QString> folders = entryFolders();
    std::vector<ClipboardItem> kept;
    kept.reserve(decoded->size());
    for (auto& item : *decoded) {
        if (folders.contains(item.id))
            kept.push_back(std::move(item));
    }
    if (!kept.empty())
        changeList([&](HistoryList& list) { list.items = std::move(kept); });
}

QSet<QString> ClipboardHistory::entryFolders() const
{
    // One pass over the folder instead of one lookup per entry: a large history loads in a blink.
    QSet<QString> names;
    const QByteArray path = QFile::encodeName(m_directory);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            const QByteArray full = path + '/' + entry->d_name;
            isFolder = ::stat(full.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            names.insert(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

void ClipboardHistory::save()
{
    AtomicFile::write(indexPath(), HistoryIndex::encode(m_list.items));
}

void ClipboardHistory::deleteFiles(const std::vector<ClipboardItem>& items)
{
    for (const ClipboardItem& item : items) {
        // Ids come from our own index, which only admits UUIDs; checking again costs nothing and keeps a
        // path outside the history folder from ever being removed.
        if (Uuid::canonical(item.id) == item.id)
            QDir(entryFolder(item)).removeRecursively();
    }
}

bool ClipboardHistory::writeEntryFiles(const QString& folder, const PasteboardCapture& capture)
{
    makeFolder(m_directory, 0700);
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

void ClipboardHistory::add(const PasteboardCapture& capture, const std::optional<QString>& source)
{
    const double now = m_clock.currentDate();
    const bool seenBefore = std::any_of(m_list.items.begin(), m_list.items.end(),
                                        [&](const ClipboardItem& i) { return i.fingerprint == capture.fingerprint; });
    if (seenBefore) {
        changeList([&](HistoryList& list) { list.touchFingerprint(capture.fingerprint, now); });
        save();
        return;
    }

    ClipboardItem item;
    item.id = Uuid::create();
    item.date = now;
    item.kind = capture.kind;
    item.preview = capture.preview;
    item.fingerprint = capture.fingerprint;
    item.sourceBundleID = source;
    item.itemTypes.reserve(capture.items.size());
    for (const auto& representations : capture.items) {
        QStringList types;
        for (const auto& representation : representations)
            types.append(representation.type);
        item.itemTypes.push_back(std::move(types));
    }

    const QString folder = entryFolder(item);
    if (!writeEntryFiles(folder, capture)) {
        QDir(folder).removeRecursively();
        return;
    }

    std::vector<ClipboardItem> trimmed;
    changeList([&](HistoryList& list) {
        list.items.insert(list.items.begin(), std::move(item));
        trimmed = list.trim(m_limit);
    });
    deleteFiles(trimmed);
    save();
}

void ClipboardHistory::touch(const ClipboardItem& item)
{
    if (!contains(item.id))
        return;
    const double now = m_clock.currentDate();
    changeList([&](HistoryList& list) { list.touchId(item.id, now); });
    save();
}

void ClipboardHistory::remove(const ClipboardItem& item)
{
    if (!contains(item.id))
        return;
    std::optional<ClipboardItem> removed;
    changeList([&](HistoryList& list) { removed = list.remove(item.id); });
    deleteFiles({ *removed });
    save();
}

void ClipboardHistory::apply(HistoryLimit limit)
{
    m_limit = HistoryLimits::maximumCount(limit);
    std::vector<ClipboardItem> trimmed;
    if (wouldTrim(m_limit))
        changeList([&](HistoryList& list) { trimmed = list.trim(m_limit); });
    deleteFiles(trimmed);
    save();
}

void ClipboardHistory::clear()
{
    std::vector<ClipboardItem> taken;
    if (!m_list.items.empty())
        changeList([&](HistoryList& list) { taken = std::exchange(list.items, {}); });
    deleteFiles(taken);
    save();
}
