#include "Foundation/RegularFile.h"

#include "Foundation/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

namespace {

// Reads on until the end or until `bytes` holds `stopAt` bytes; false on an error or past the bound.
// `bytes` is sized with room beyond what is expected: reaching the end needs no second, larger buffer, and
// parsers that read a little past the end (simdjson) need no copy.
bool readOn(int fd, QByteArray& bytes, qint64 expected, qint64 stopAt, qint64 maximumBytes, bool& atEnd)
{
    qint64 total = bytes.size();
    bytes.resize(static_cast<qsizetype>(std::min<qint64>(maximumBytes, std::max(expected, total)) + 64));
    atEnd = false;
    while (total < stopAt) {
        if (total == bytes.size()) {
            if (total > maximumBytes)
                return false;
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(maximumBytes + 1, total + 64 * 1024)));
        }
        const auto want = std::min<qint64>(bytes.size(), stopAt) - total;
        const ssize_t got = ::read(fd, bytes.data() + total, static_cast<size_t>(want));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0) {
            atEnd = true;
            break;
        }
        total += got;
    }
    bytes.resize(static_cast<qsizetype>(total));
    return total <= maximumBytes;
}

} // namespace

Started start(const QString& path, qint64 count, qint64 maximumBytes, Links links)
{
    Started started;
    started.maximumBytes = maximumBytes;
    started.file = FileDescriptor::openRegular(AT_FDCWD, QFile::encodeName(path).constData(),
        links == Links::Follow ? FileDescriptor::Links::Follow : FileDescriptor::Links::Refuse);
    if (!started.file.isOpen()) {
        started.status = errno == ENOENT ? Status::Missing : Status::Unreadable;
        return started;
    }
    struct stat info { };
    if (::fstat(started.file.get(), &info) != 0 || info.st_size > maximumBytes) {
        started.status = Status::Unreadable;
        return started;
    }
    // The size is only a first guess: the file may grow while it is read, and must still stay in bounds.
    // A file barely longer than the start is read whole rather than in two steps.
    const qint64 stopAt = info.st_size <= count + 64 * 1024 ? maximumBytes + 1 : count;
    if (!readOn(started.file.get(), started.bytes, std::min<qint64>(info.st_size, stopAt), stopAt,
            maximumBytes, started.complete)) {
        started.status = Status::Unreadable;
        started.bytes.clear();
        return started;
    }
    started.status = Status::Read;
    return started;
}

Contents rest(Started started)
{
    if (started.status != Status::Read || started.complete)
        return { started.status, std::move(started.bytes) };
    struct stat info { };
    const qint64 expected = ::fstat(started.file.get(), &info) == 0 ? info.st_size : 0;
    bool atEnd = false;
    if (!readOn(started.file.get(), started.bytes, expected, started.maximumBytes + 1, started.maximumBytes,
            atEnd))
        return { Status::Unreadable, {} };
    return { Status::Read, std::move(started.bytes) };
}

Contents read(const QString& path, qint64 maximumBytes, Links links)
{
    return rest(start(path, maximumBytes + 1, maximumBytes, links));
}

std::optional<QByteArray> bytes(const QString& path, qint64 maximumBytes, Links links)
{
    Contents contents = read(path, maximumBytes, links);
    if (contents.status != Status::Read)
        return std::nullopt;
    return std::move(contents.bytes);
}

} // namespace RegularFile
