#include "Clipboard/HistoryLoad.h"

#include "Clipboard/HistoryIndex.h"
#include "Foundation/FileTree.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Uuid.h"

#include <QFile>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QString stagingPrefix = QStringLiteral(".staging-");

// Far beyond any real history (100,000 entries take about 50 MB), far below what would exhaust memory.
constexpr qint64 maximumIndexBytes = 512LL * 1024 * 1024;

// A few hundred entries: more than any screen shows, a millisecond or two to read.
constexpr qint64 headBytes = 128 * 1024;

bool isStagingName(const QString& name)
{
    if (!name.startsWith(stagingPrefix))
        return false;
    const QString id = name.mid(stagingPrefix.size());
    return Uuid::canonical(id) == id;
}

HistoryLoad::Part unreadable()
{
    return { HistoryLoad::Outcome::Unreadable, {} };
}

} // namespace

QString HistoryLoad::stagingName(const QString& id)
{
    return stagingPrefix + id;
}

HistoryLoad::HistoryLoad(QString directory, std::function<void()> restReady)
    : m_directory(std::move(directory))
{
    const QString indexPath = m_directory + QStringLiteral("/index.json");
    RegularFile::Started start = RegularFile::start(indexPath, headBytes, maximumIndexBytes);
    const auto end = start.status == RegularFile::Status::Read && !start.complete
        ? HistoryIndex::endOfWholeEntries(start.bytes)
        : std::nullopt;
    auto head = end ? HistoryIndex::decodeHead(start.bytes, *end) : std::nullopt;
    if (head) {
        // The head's folders are looked up one by one; the worker lists the folder for the rest.
        QSet<QString> folders;
        const QByteArray base = QFile::encodeName(m_directory) + '/';
        for (const ClipboardItem& item : *head) {
            struct stat info { };
            if (::lstat((base + item.id.toLatin1()).constData(), &info) == 0 && S_ISDIR(info.st_mode))
                folders.insert(item.id);
        }
        m_head = { Outcome::Read, keepListed(std::move(*head), folders) };
        QSet<QString> headIds;
        for (const ClipboardItem& item : std::as_const(m_head.items))
            headIds.insert(item.id);
        std::promise<void> leftoversRemoved;
        m_leftoversRemoved = leftoversRemoved.get_future().share();
        // The worker is done with its large temporaries when it says the rest is ready.
        m_worker = std::thread(
            [this, start = std::move(start), end = *end, headIds = std::move(headIds),
                restReady = std::move(restReady), leftoversRemoved = std::move(leftoversRemoved)]() mutable {
                readRest(std::move(start), end, std::move(headIds), std::move(leftoversRemoved));
                restReady();
            });
        return;
    }

    // A short index, or one whose start is no index: read whole, as the folder is listed.
    QSet<QString> folders;
    std::thread scanning([this, &folders] { folders = scanFolder(); });
    const RegularFile::Contents index = RegularFile::rest(std::move(start));
    auto decoded
        = index.status == RegularFile::Status::Read ? HistoryIndex::decode(index.bytes) : std::nullopt;
    scanning.join();
    if (index.status == RegularFile::Status::Missing)
        return;
    m_head = decoded ? Part { Outcome::Read, keepListed(std::move(*decoded), folders) } : unreadable();
}

void HistoryLoad::readRest(
    RegularFile::Started start, qsizetype end, QSet<QString> headIds, std::promise<void> leftoversRemoved)
{
    QSet<QString> folders;
    std::thread scanning([this, &folders, &leftoversRemoved] {
        folders = scanFolder();
        leftoversRemoved.set_value();
    });
    RegularFile::Contents index = RegularFile::rest(std::move(start));
    auto rest = index.status == RegularFile::Status::Read ? HistoryIndex::decodeRest(index.bytes, end)
                                                          : std::nullopt;
    index = {};
    scanning.join();
    if (!rest) {
        m_rest = unreadable();
        return;
    }
    for (const QString& id : headIds)
        folders.remove(id);
    m_rest = { Outcome::Read, keepListed(std::move(*rest), folders, headIds.size()) };
}

HistoryLoad::~HistoryLoad()
{
    if (m_worker.joinable())
        m_worker.join();
}

HistoryLoad::Part HistoryLoad::takeRest()
{
    if (m_worker.joinable())
        m_worker.join();
    return std::move(m_rest);
}

QList<ClipboardItem> HistoryLoad::keepListed(
    std::vector<ClipboardItem> decoded, QSet<QString>& folders, qsizetype room)
{
    QList<ClipboardItem> kept;
    kept.reserve(room + static_cast<qsizetype>(decoded.size()));
    kept.resize(room);
    for (auto& item : decoded) {
        // A second entry with the same id would share the first one's folder, and trimming it would take
        // the files of an entry still listed: a folder, once listed, is no longer there to be found.
        if (!folders.remove(item.id))
            continue;
        kept.push_back(std::move(item));
    }
    return kept;
}

QSet<QString> HistoryLoad::scanFolder() const
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
