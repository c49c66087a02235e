#include "Foundation/FileTree.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileTree {

namespace {

// Deeper than anything the program creates; a hostile tree deeper than this is left standing.
constexpr int maximumDepth = 64;

bool removeAt(int parent, const char* name, int depth);

// Empties the folder open as `folder` (which this takes over), through descriptors only, so that no path
// is ever resolved again after the folder was opened without following links.
bool removeContents(int folder, int depth)
{
    DIR* dir = ::fdopendir(folder);
    if (!dir) {
        ::close(folder);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        ok = removeAt(::dirfd(dir), entry->d_name, depth + 1) && ok;
    }
    ::closedir(dir);
    return ok;
}

bool removeAt(int parent, const char* name, int depth)
{
    struct stat info { };
    if (::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    if (depth >= maximumDepth)
        return false;
    // Swapping the folder for a link between the check and the opening is caught by O_NOFOLLOW.
    const int folder = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return false;
    const bool emptied = removeContents(folder, depth);
    return (::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && emptied;
}

} // namespace

bool remove(const QString& path)
{
    return removeAt(AT_FDCWD, QFile::encodeName(path).constData(), 0);
}

} // namespace FileTree
