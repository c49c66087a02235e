#include "Platform/Desktop/StandardPathsDesktop.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString xdgFolder(const char* variable, const QString& fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    // The XDG rules ignore relative paths.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + u'/' + fallbackUnderHome;
}

} // namespace

QString StandardPathsDesktop::applicationSupport() const
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString StandardPathsDesktop::desktop() const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return folder.isEmpty() ? home() + QStringLiteral("/Desktop") : QDir::cleanPath(folder);
}

QString StandardPathsDesktop::home() const
{
    return QDir::cleanPath(QDir::homePath());
}

bool StandardPathsDesktop::makePrivateFolder(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // Whatever stands there now is judged as it is, never followed: a link or another user's folder under
    // our name could hand our screenshots to them.
    struct stat info { };
    if (::lstat(native.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

QString StandardPathsDesktop::temporary() const
{
    // The shared temporary folder is readable by every user of the machine; the runtime folder is the
    // user's own.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QString folder = QDir::cleanPath(runtime) + QStringLiteral("/drimo-copy");
        if (makePrivateFolder(folder))
            return folder;
    }
    const QString shared = QDir::cleanPath(QDir::tempPath());
    const QString named = shared + QStringLiteral("/drimo-copy-") + QString::number(::geteuid());
    if (makePrivateFolder(named))
        return named;
    if (!m_madeFolder.isEmpty() && makePrivateFolder(m_madeFolder))
        return m_madeFolder;
    QByteArray pattern = QFile::encodeName(shared + QStringLiteral("/drimo-copy-XXXXXX"));
    if (::mkdtemp(pattern.data())) {
        m_madeFolder = QFile::decodeName(pattern);
        return m_madeFolder;
    }
    // Nowhere private to write. A folder on procfs, where nothing can be created: every temporary file then
    // fails to be made, which beats writing it where others can read it.
    return QStringLiteral("/proc/self/drimo-copy-unavailable");
}

QString StandardPathsDesktop::configuration() const
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}
