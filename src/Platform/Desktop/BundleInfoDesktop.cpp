#include "Platform/Desktop/BundleInfoDesktop.h"

#include "Foundation/RegularFile.h"
#include "Platform/Desktop/BundleManifest.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <nlohmann/json.hpp>

BundleInfoDesktop::BundleInfoDesktop(QString buildVersion, QString executablePath)
    : m_buildVersion(std::move(buildVersion))
    , m_executablePath(std::move(executablePath))
{ }

std::optional<QString> BundleInfoDesktop::shortVersion() const
{
    if (const auto folder = BundleManifest::installFolder(bundlePath())) {
        if (const auto identity = identityAt(*folder))
            return identity->version;
    }
    if (!m_buildVersion.isEmpty())
        return m_buildVersion;
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return std::nullopt;
    return version;
}

QString BundleInfoDesktop::bundlePath() const
{
    if (!m_executablePath.isEmpty())
        return m_executablePath;
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

std::optional<BundleInfo::Identity> BundleInfoDesktop::identityAt(const QString& bundlePath) const
{
    const auto bytes = RegularFile::bytes(bundlePath + u'/' + BundleManifest::descriptionName, 64 * 1024);
    if (!bytes)
        return std::nullopt;
    const auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return std::nullopt;
    const auto string = [&json](const char* key) -> std::optional<QString> {
        const auto it = json.find(key);
        if (it == json.end() || !it->is_string())
            return std::nullopt;
        return QString::fromStdString(it->get<std::string>());
    };
    return Identity { string("identifier"), string("version") };
}
