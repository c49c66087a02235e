#include "Foundation/TreeCopy.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/FolderEntries.h"

#include <QFile>

#include <cerrno>
#include <cstring>
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
    const auto in = FileDescriptor::openRegular(fromParent, fromName);
    if (!in.isOpen())
        return systemError(errno);
    FileDescriptor out(
        ::openat(toParent, toName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777));
    if (!out.isOpen())
        return systemError(errno);
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const auto n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemError(errno);
        if (n == 0)
            break;
        if (!AtomicFile::writeAll(out.get(), QByteArrayView(buffer.data(), n)))
            return systemError(errno);
    }
    if (!out.close())
        return systemError(errno);
    return std::nullopt;
}

std::optional<QString> copyFolder(
    int fromParent, const char* fromName, int toParent, const char* toName, mode_t mode, int depth)
{
    if (depth >= maximumDepth)
        return systemError(ELOOP);
    if (::mkdirat(toParent, toName, 0700) != 0)
        return systemError(errno);
    auto from = FileDescriptor::openFolder(fromParent, fromName);
    if (!from.isOpen())
        return systemError(errno);
    const auto to = FileDescriptor::openFolder(toParent, toName);
    if (!to.isOpen())
        return systemError(errno);
    std::optional<QString> failure;
    const bool listed = FolderEntries::forEach(std::move(from), [&](int inside, const char* name) {
        failure = copyAt(inside, name, to.get(), name, depth + 1);
        return !failure;
    });
    if (!listed && !failure)
        failure = systemError(errno);
    // Writable while filling it; the folder's own permissions last.
    if (!failure && ::fchmod(to.get(), mode & 07777) != 0)
        failure = systemError(errno);
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
