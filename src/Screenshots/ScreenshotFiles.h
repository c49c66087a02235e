#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

class StandardPaths;
class UserDefaultsStore;

// Where screenshots go and what they are called.
namespace ScreenshotFiles {

// Where a file was placed, or why it could not be: a folder that could not be created, a file that could
// not be moved or written.
struct Placed {
    std::optional<QString> path;
    QString failure;

    static Placed at(QString path) { return { std::move(path), {} }; }
    static Placed failed(QString why) { return { std::nullopt, std::move(why) }; }
};

// The system screenshot tool's folder ("location" in its preferences, a leading tilde meaning the home
// folder), or the Desktop when it has none.
QString systemFolder(const UserDefaultsStore& defaults, const StandardPaths& paths);

// "Скриншот <date> в <time>.png" in `folder` for `moment` in the system time zone, or the same with
// " (2)", " (3)", … before ".png" when that name is taken. Only tests existence; reserves nothing.
QString freeUrl(const QString& folder, const QDateTime& moment);

// Moves `source` into `folder` (created with its parents when missing) under a free name. On failure
// `source` stays where it was.
Placed move(const QString& source, const QString& folder, const QDateTime& moment);

// Writes `png` atomically into `folder` (created when missing) under a free name. On failure no partial
// file is left behind.
Placed write(const QByteArray& png, const QString& folder, const QDateTime& moment);

} // namespace ScreenshotFiles
