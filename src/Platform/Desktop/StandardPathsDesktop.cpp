#include "Platform/Desktop/StandardPathsDesktop.h"

#include <QDir>
#include <QStandardPaths>

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

QString StandardPathsDesktop::temporary() const
{
    return QDir::cleanPath(QDir::tempPath());
}

QString StandardPathsDesktop::configuration() const
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}
