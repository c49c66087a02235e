#include "Foundation/FileTree.h"

#include "Foundation/FolderEntries.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileTree {

namespace {

// Deeper than anything the program creates; a hostile tree deeper than this is left standing.
constexpr int maximumDepth = 64;

bool removeAt(int parent, const char* name, int depth)
{
    struct stat info { };
    if (::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    if (depth >= maximumDepth)
        return false;
    // Swapping the folder for a link between the check and the opening is caught by opening without
    // following links.
    auto folder = FileDescriptor::openFolder(parent, name);
    if (!folder.isOpen())
        return false;
    bool emptied = true;
    const bool listed = FolderEntries::forEach(std::move(folder), [&](int inside, const char* entry) {
        emptied = removeAt(inside, entry, depth + 1) && emptied;
        return true;
    });
    return (::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && listed && emptied;
}

} // namespace

bool remove(const QString& path)
{
    return removeAt(AT_FDCWD, QFile::encodeName(path).constData(), 0);
}

} // namespace FileTree
