#include "Screenshots/ScreenshotFiles.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/Localization.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <sys/stat.h>

namespace ScreenshotFiles {

namespace {

const QString systemDomain = QStringLiteral("com.apple.screencapture");

bool createFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

bool taken(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

bool sameFileSystem(const QString& file, const QString& folder)
{
    struct stat a {
    }, b {};
    return ::stat(QFile::encodeName(file).constData(), &a) == 0
        && ::stat(QFile::encodeName(folder).constData(), &b) == 0 && a.st_dev == b.st_dev;
}

// A move between file systems is a copy. Written aside and renamed into place, so that a disk filling up
// leaves no half picture under a screenshot's name.
Placed copyAside(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Placed::failed(QStringLiteral("cannot read %1: %2").arg(source, in.errorString()));
    const bool copied = AtomicFile::write(target, [&in](const AtomicFile::Sink& sink) {
        QByteArray piece;
        while (!(piece = in.read(1 << 20)).isEmpty())
            if (!sink(piece))
                return false;
        return in.error() == QFileDevice::NoError;
    });
    if (!copied)
        return Placed::failed(QStringLiteral("cannot copy %1 to %2").arg(source, target));
    return Placed::at(target);
}

Placed folderFailure(const QString& folder)
{
    return Placed::failed(QStringLiteral("cannot create the folder %1").arg(folder));
}

} // namespace

QString systemFolder(const UserDefaultsStore& defaults, const StandardPaths& paths)
{
    const auto stored = defaults.value(systemDomain, QStringLiteral("location"));
    QString location = stored ? stored->asString().value_or(QString()) : QString();
    if (location.isEmpty())
        return paths.desktop();
    if (location == u"~" || location.startsWith(u"~/"))
        location = paths.home() + location.mid(1);
    // "~name/…" (another user's home) and other relative paths name no folder this program could know:
    // resolved against whatever the working folder happens to be, they would scatter screenshots.
    if (!QDir::isAbsolutePath(location))
        return paths.desktop();
    return QDir::cleanPath(location);
}

QString freeUrl(const QString& folder, const QDateTime& moment)
{
    // The C locale stands for en_US_POSIX: Western digits and the Gregorian calendar whatever the user's
    // locale is, so that names sort by date.
    const QDateTime local = moment.toLocalTime();
    const QLocale posix = QLocale::c();
    const QString base = Localization::format("Скриншот %@ в %@",
        { posix.toString(local, QStringLiteral("yyyy-MM-dd")),
            posix.toString(local, QStringLiteral("HH.mm.ss")) });

    const QDir dir(folder);
    QString candidate = dir.filePath(base + QStringLiteral(".png"));
    for (long long n = 2; taken(candidate); ++n)
        candidate = dir.filePath(base + QStringLiteral(" (%1).png").arg(n));
    return candidate;
}

Placed move(const QString& source, const QString& folder, const QDateTime& moment)
{
    if (!QFileInfo(source).isFile())
        return Placed::failed(QStringLiteral("no file to move at %1").arg(source));
    if (!createFolder(folder))
        return folderFailure(folder);
    const QString target = freeUrl(folder, moment);
    if (!sameFileSystem(source, folder)) {
        Placed copied = copyAside(source, target);
        if (copied.path)
            QFile::remove(source);
        return copied;
    }
    QFile file(source);
    if (!file.rename(target))
        return Placed::failed(QStringLiteral("cannot move %1: %2").arg(source, file.errorString()));
    return Placed::at(target);
}

Placed write(const QByteArray& png, const QString& folder, const QDateTime& moment)
{
    if (!createFolder(folder))
        return folderFailure(folder);
    const QString target = freeUrl(folder, moment);
    if (!AtomicFile::write(target, png))
        return Placed::failed(QStringLiteral("cannot write %1").arg(target));
    return Placed::at(target);
}

} // namespace ScreenshotFiles
