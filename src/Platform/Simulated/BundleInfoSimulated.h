#pragma once

#include "Platform/BundleInfo.h"
#include "Platform/Simulated/SimulatedBundle.h"

// An installed application bundle whose version and place a test chooses.
class BundleInfoSimulated final : public BundleInfo {
public:
    static inline const QString defaultBundlePath = QStringLiteral("/Applications/Drimo Copy.app");

    std::optional<QString> shortVersion() const override { return m_version; }
    QString bundlePath() const override { return m_path; }
    QString launchCommand() const override { return QStringLiteral("open"); }
    // The process identifier the simulated workspace gives this application.
    long long processIdentifier() const override { return 100; }
    std::optional<QString> bundleIdentifier() const override { return m_identifier; }
    // Bundles that the simulated disk images hold describe themselves in a file.
    std::optional<Identity> identityAt(const QString& bundlePath) const override
    {
        const auto description = SimulatedBundle::read(bundlePath);
        if (!description)
            return std::nullopt;
        return description->identity;
    }

    void setShortVersion(const std::optional<QString>& version) { m_version = version; }
    void setBundlePath(const QString& path) { m_path = path; }
    void setBundleIdentifier(const std::optional<QString>& identifier) { m_identifier = identifier; }

private:
    std::optional<QString> m_version = QStringLiteral("1.0");
    QString m_path = defaultBundlePath;
    std::optional<QString> m_identifier = QStringLiteral("com.drimo.copy");
};
