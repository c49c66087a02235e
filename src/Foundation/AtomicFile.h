#pragma once

#include <QByteArray>
#include <QString>

// Files that must never be seen half-written: the bytes go to a temporary file in the same folder,
// are flushed to disk, and then replace the target in one rename.
namespace AtomicFile {

// False when anything failed; the target is then untouched and no temporary file is left behind.
bool write(const QString& path, QByteArrayView bytes);

// Every one of `bytes` to the open descriptor `fd`, through short and interrupted writes; false on an error.
bool writeAll(int fd, QByteArrayView bytes);

} // namespace AtomicFile
