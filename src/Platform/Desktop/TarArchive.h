#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Unpacking release archives (POSIX ustar, gzip-compressed on disk). An archive comes from the network, so
// everything it holds lands inside the target folder or the archive is refused: no absolute paths, no
// "..", no links that lead out, no devices, pipes or hard links, and bounded counts and sizes.
namespace TarArchive {

constexpr int maximumEntries = 20'000;
constexpr qint64 maximumTotalBytes = 1024LL * 1024 * 1024;
constexpr int maximumDepth = 32;

// Reads up to `size` bytes into `buffer`; 0 at the end, negative on an error.
using Source = std::function<qint64(char* buffer, qint64 size)>;

// Unpacks the archive read from `source` into `folder`, which must exist and be empty. The names at the top
// of the archive, in the order they first appear; nothing when the archive is malformed or refused, with
// whatever was unpacked left for the caller to remove.
std::optional<QStringList> extract(const Source& source, const QString& folder);

// The same from a gzip-compressed file.
std::optional<QStringList> extractFile(const QString& archivePath, const QString& folder);

} // namespace TarArchive
