#pragma once

#include "Foundation/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading the files the program keeps for itself. Anyone who can write to the folder can put something else
// in their place: a FIFO that never answers, a device, a link, or a sparse file of gigabytes. So only a
// regular file is read, opening never waits, and a read never goes past what the file can legitimately hold.
namespace RegularFile {

enum class Status {
    Read, // the whole file is in `bytes`
    Missing, // nothing is there
    Unreadable, // something is there that is not a readable regular file within the bound
};

enum class Links {
    Refuse, // a link in the last component is Unreadable: for files inside the program's own folders
    Follow, // for files a user may keep elsewhere and link to, such as settings
};

struct Contents {
    Status status = Status::Missing;
    QByteArray bytes;
};

Contents read(const QString& path, qint64 maximumBytes, Links links = Links::Refuse);

// A long file whose start is wanted at once and the rest later, maybe on another thread: one descriptor,
// so that both steps read the same file.
struct Started {
    Status status = Status::Missing;
    // The start read so far: the whole file when `complete`.
    QByteArray bytes;
    bool complete = false;
    FileDescriptor file;
    qint64 maximumBytes = 0;
};
// Reads up to `count` bytes: more only when the file turns out shorter than a few bytes more.
Started start(const QString& path, qint64 count, qint64 maximumBytes, Links links = Links::Refuse);
// Reads on to the end.
Contents rest(Started started);

// The bytes when the file was read; nothing when it is missing or unreadable.
std::optional<QByteArray> bytes(const QString& path, qint64 maximumBytes, Links links = Links::Refuse);

} // namespace RegularFile
