#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <stdexcept>

class StandardPaths;
class UserDefaultsStore;

// Where screenshots go and what they are called.
namespace ScreenshotFiles {

// A folder that could not be created, a file that could not be moved or written.
class Error final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system screenshot tool's folder ("location" in its preferences, a leading tilde meaning the home
// folder), or the Desktop when it has none.
QString systemFolder(const UserDefaultsStore& defaults, const StandardPaths& paths);

// "Скриншот <date> в <time>.png" in `folder` for `moment` in the system time zone, or the same with
// " (2)", " (3)", … before ".png" when that name is taken. Only tests existence; reserves nothing.
QString freeUrl(const QString& folder, const QDateTime& moment);

// Moves `source` into `folder` (created with its parents when missing) under a free name and returns the
// new path. Throws Error, leaving `source` where it was.
QString move(const QString& source, const QString& folder, const QDateTime& moment);

// Writes `png` atomically into `folder` (created when missing) under a free name and returns the path.
// Throws Error; no partial file is left behind.
QString write(const QByteArray& png, const QString& folder, const QDateTime& moment);

} // namespace ScreenshotFiles
