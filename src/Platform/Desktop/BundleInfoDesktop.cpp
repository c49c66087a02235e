#include "Platform/Desktop/BundleInfoDesktop.h"

#include <QCoreApplication>
#include <QFileInfo>

BundleInfoDesktop::BundleInfoDesktop(QString buildVersion)
    : m_buildVersion(std::move(buildVersion))
{ }

std::optional<QString> BundleInfoDesktop::shortVersion() const
{
    if (!m_buildVersion.isEmpty())
        return m_buildVersion;
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return std::nullopt;
    return version;
}

QString BundleInfoDesktop::bundlePath() const
{
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty())
        return path;
    // Before the application object exists Qt cannot tell; the kernel always can.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

long long BundleInfoDesktop::processIdentifier() const
{
    return QCoreApplication::applicationPid();
}
