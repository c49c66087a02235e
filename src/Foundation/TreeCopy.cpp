#include "Foundation/TreeCopy.h"

#include "Foundation/AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace TreeCopy {

namespace {

constexpr int maximumDepth = 64;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<QString> copyAt(
    int fromParent, const char* fromName, int toParent, const char* toName, int depth);

std::optional<QString> copyFile(
    int fromParent, const char* fromName, int toParent, const char* toName, mode_t mode)
{
    const int in = ::openat(fromParent, fromName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return systemError(errno);
    const int out
        = ::openat(toParent, toName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return systemError(error);
    }
    std::vector<char> buffer(256 * 1024);
    std::optional<QString> failure;
    for (;;) {
        const auto n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure = systemError(errno);
            break;
        }
        if (n == 0)
            break;
        if (!AtomicFile::writeAll(out, QByteArrayView(buffer.data(), n))) {
            failure = systemError(errno);
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && !failure)
        failure = systemError(errno);
    return failure;
}

std::optional<QString> copyFolder(
    int fromParent, const char* fromName, int toParent, const char* toName, mode_t mode, int depth)
{
    if (depth >= maximumDepth)
        return systemError(ELOOP);
    if (::mkdirat(toParent, toName, 0700) != 0)
        return systemError(errno);
    const int from = ::openat(fromParent, fromName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0)
        return systemError(errno);
    const int to = ::openat(toParent, toName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (to < 0) {
        const int error = errno;
        ::close(from);
        return systemError(error);
    }
    DIR* dir = ::fdopendir(from);
    if (!dir) {
        const int error = errno;
        ::close(from);
        ::close(to);
        return systemError(error);
    }
    std::optional<QString> failure;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        failure = copyAt(::dirfd(dir), entry->d_name, to, entry->d_name, depth + 1);
        if (failure)
            break;
    }
    ::closedir(dir);
    // Writable while filling it; the folder's own permissions last.
    if (!failure && ::fchmod(to, mode & 07777) != 0)
        failure = systemError(errno);
    ::close(to);
    return failure;
}

std::optional<QString> copyAt(
    int fromParent, const char* fromName, int toParent, const char* toName, int depth)
{
    struct stat info { };
    if (::fstatat(fromParent, fromName, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(errno);
    if (S_ISDIR(info.st_mode))
        return copyFolder(fromParent, fromName, toParent, toName, info.st_mode, depth);
    if (S_ISREG(info.st_mode))
        return copyFile(fromParent, fromName, toParent, toName, info.st_mode);
    if (S_ISLNK(info.st_mode)) {
        std::vector<char> target(PATH_MAX + 1);
        const auto n = ::readlinkat(fromParent, fromName, target.data(), target.size() - 1);
        if (n < 0)
            return systemError(errno);
        target[static_cast<std::size_t>(n)] = 0;
        if (::symlinkat(target.data(), toParent, toName) != 0)
            return systemError(errno);
        return std::nullopt;
    }
    return systemError(ENOTSUP);
}

} // namespace

std::optional<QString> copy(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    return copyAt(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), 0);
}

} // namespace TreeCopy
