#include "Platform/Desktop/TarArchive.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/FileDescriptor.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace TarArchive {

namespace {

constexpr qint64 blockSize = 512;

bool readExactly(const Source& source, char* buffer, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = source(buffer + done, size - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

std::optional<qint64> octal(const char* field, std::size_t length)
{
    qint64 value = 0;
    std::size_t i = 0;
    while (i < length && field[i] == ' ')
        ++i;
    bool any = false;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value > (std::numeric_limits<qint64>::max() >> 3))
            return std::nullopt;
        value = value * 8 + (field[i] - '0');
        any = true;
    }
    for (; i < length; ++i)
        if (field[i] != ' ' && field[i] != '\0')
            return std::nullopt;
    if (!any)
        return std::nullopt;
    return value;
}

bool checksumMatches(const std::array<char, blockSize>& header)
{
    const auto stored = octal(header.data() + 148, 8);
    if (!stored)
        return false;
    qint64 sum = 0;
    for (std::size_t i = 0; i < header.size(); ++i)
        sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(header[i]);
    return sum == *stored;
}

std::string field(const char* start, std::size_t length)
{
    return std::string(start, ::strnlen(start, length));
}

// The path's components, or nothing when it is absolute, climbs with "..", or is too deep.
std::optional<std::vector<std::string>> components(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('/', start), path.size());
        std::string part = path.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty() || static_cast<int>(parts.size()) > maximumDepth)
        return std::nullopt;
    return parts;
}

// Whether a link at `entry` pointing to `target` stays inside the archive's folder.
bool linkStaysInside(const std::vector<std::string>& entry, const std::string& target)
{
    if (target.empty() || target.front() == '/')
        return false;
    int depth = static_cast<int>(entry.size()) - 1; // the link's own folder
    std::size_t start = 0;
    while (start <= target.size()) {
        const auto end = std::min(target.find('/', start), target.size());
        const std::string part = target.substr(start, end - start);
        if (part == "..") {
            if (--depth < 0)
                return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

// The folder holding the entry, opened through real folders only: never through a link.
std::optional<FileDescriptor> openParent(int root, const std::vector<std::string>& parts)
{
    FileDescriptor current(::dup(root));
    if (!current.isOpen())
        return std::nullopt;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (::mkdirat(current.get(), parts[i].c_str(), 0755) != 0 && errno != EEXIST)
            return std::nullopt;
        auto next = FileDescriptor::openFolder(current.get(), parts[i].c_str());
        if (!next.isOpen())
            return std::nullopt;
        current = std::move(next);
    }
    return current;
}

bool skip(const Source& source, qint64 size)
{
    std::vector<char> buffer(64 * 1024);
    while (size > 0) {
        const qint64 n = std::min<qint64>(size, static_cast<qint64>(buffer.size()));
        if (!readExactly(source, buffer.data(), n))
            return false;
        size -= n;
    }
    return true;
}

bool copyBody(const Source& source, int fd, qint64 size)
{
    std::vector<char> buffer(64 * 1024);
    while (size > 0) {
        const qint64 n = std::min<qint64>(size, static_cast<qint64>(buffer.size()));
        if (!readExactly(source, buffer.data(), n)
            || !AtomicFile::writeAll(fd, QByteArrayView(buffer.data(), n)))
            return false;
        size -= n;
    }
    return true;
}

} // namespace

std::optional<QStringList> extract(const Source& source, const QString& folder)
{
    const auto root = FileDescriptor::openFolder(AT_FDCWD, QFile::encodeName(folder).constData());
    if (!root.isOpen())
        return std::nullopt;
    QStringList topLevel;
    qint64 total = 0;
    int entries = 0;
    std::array<char, blockSize> header {};
    for (;;) {
        if (!readExactly(source, header.data(), blockSize))
            return std::nullopt;
        if (std::all_of(header.begin(), header.end(), [](char c) { return c == 0; }))
            break; // the end marker; what follows is padding
        if (++entries > maximumEntries || !checksumMatches(header)
            || std::memcmp(header.data() + 257, "ustar", 5) != 0)
            return std::nullopt;
        const auto size = octal(header.data() + 124, 12);
        if (!size || *size < 0 || (total += *size) > maximumTotalBytes)
            return std::nullopt;
        const auto mode = octal(header.data() + 100, 8).value_or(0644);
        const char type = header[156];
        std::string name = field(header.data(), 100);
        const std::string prefix = field(header.data() + 345, 155);
        if (!prefix.empty())
            name = prefix + '/' + name;
        const auto parts = components(name);
        if (!parts)
            return std::nullopt;
        const qint64 padded = (*size + blockSize - 1) / blockSize * blockSize;
        const QString top = QFile::decodeName(QByteArray::fromStdString(parts->front()));
        if (!topLevel.contains(top))
            topLevel.append(top);
        auto parent = openParent(root.get(), *parts);
        if (!parent)
            return std::nullopt;
        const char* leaf = parts->back().c_str();
        if (type == '5') {
            if (::mkdirat(parent->get(), leaf, 0755) != 0 && errno != EEXIST)
                return std::nullopt;
            struct stat info { };
            if (::fstatat(parent->get(), leaf, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode))
                return std::nullopt;
            if (!skip(source, padded))
                return std::nullopt;
        } else if (type == '0' || type == '\0') {
            const FileDescriptor file(::openat(parent->get(), leaf,
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode & 0755)));
            if (file.get() < 0 || !copyBody(source, file.get(), *size) || !skip(source, padded - *size))
                return std::nullopt;
        } else if (type == '2') {
            const std::string target = field(header.data() + 157, 100);
            if (*size != 0 || !linkStaysInside(*parts, target)
                || ::symlinkat(target.c_str(), parent->get(), leaf) != 0)
                return std::nullopt;
        } else {
            // Hard links, devices, pipes and extension headers have no place in a release.
            return std::nullopt;
        }
    }
    return topLevel;
}

std::optional<QStringList> extractFile(const QString& archivePath, const QString& folder)
{
    auto archive = FileDescriptor::openRegular(AT_FDCWD, QFile::encodeName(archivePath).constData());
    if (!archive.isOpen())
        return std::nullopt;
    gzFile file = ::gzdopen(archive.get(), "rb");
    if (!file)
        return std::nullopt;
    archive.release(); // gzclose closes it
    const auto result = extract(
        [file](char* buffer, qint64 size) -> qint64 {
            const int n = ::gzread(file, buffer, static_cast<unsigned>(std::min<qint64>(size, 1 << 20)));
            return n;
        },
        folder);
    ::gzclose(file);
    return result;
}

} // namespace TarArchive
