#include "Foundation/RegularFile.h"

#include "Foundation/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

Contents read(const QString& path, qint64 maximumBytes, Links links)
{
    const auto file = FileDescriptor::openRegular(AT_FDCWD, QFile::encodeName(path).constData(),
        links == Links::Follow ? FileDescriptor::Links::Follow : FileDescriptor::Links::Refuse);
    if (!file.isOpen())
        return { errno == ENOENT ? Status::Missing : Status::Unreadable, {} };

    struct stat info { };
    if (::fstat(file.get(), &info) != 0 || info.st_size > maximumBytes)
        return { Status::Unreadable, {} };

    // The size is only a first guess: the file may grow while it is read, and must still stay in bounds.
    // Room beyond what is expected: reaching the end needs no second, larger buffer, and parsers that read
    // a little past the end (simdjson) need no copy.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(std::min<qint64>(maximumBytes, info.st_size) + 64));
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maximumBytes)
                return { Status::Unreadable, {} };
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(maximumBytes + 1, total + 64 * 1024)));
        }
        const ssize_t got
            = ::read(file.get(), bytes.data() + total, static_cast<size_t>(bytes.size() - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return { Status::Unreadable, {} };
        }
        if (got == 0)
            break;
        total += got;
    }
    if (total > maximumBytes)
        return { Status::Unreadable, {} };
    bytes.resize(static_cast<qsizetype>(total));
    return { Status::Read, std::move(bytes) };
}

std::optional<QByteArray> bytes(const QString& path, qint64 maximumBytes, Links links)
{
    Contents contents = read(path, maximumBytes, links);
    if (contents.status != Status::Read)
        return std::nullopt;
    return std::move(contents.bytes);
}

} // namespace RegularFile
