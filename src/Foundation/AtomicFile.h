#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Files that must never be seen half-written: the bytes go to a temporary file in the same folder,
// are flushed to disk, and then replace the target in one rename.
namespace AtomicFile {

// False when anything failed; the target is then untouched and no temporary file is left behind.
bool write(const QString& path, QByteArrayView bytes);

// Takes each piece of a file's contents and writes it; false stops the producer.
using Sink = std::function<bool(QByteArrayView)>;
// As `write`, for contents made piece by piece: a large file is never held whole. `produce` hands every
// piece to the sink and returns false when it could not finish, which leaves the target untouched too.
bool write(const QString& path, const std::function<bool(const Sink&)>& produce);

// Every one of `bytes` to the open descriptor `fd`, through short and interrupted writes; false on an error.
bool writeAll(int fd, QByteArrayView bytes);

} // namespace AtomicFile
