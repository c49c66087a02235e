#pragma once

#include "Platform/BundleInfo.h"

// An installed application bundle whose version and place a test chooses.
class BundleInfoSimulated final : public BundleInfo {
public:
    static inline const QString defaultBundlePath = QStringLiteral("/Applications/Drimo Copy.app");

    std::optional<QString> shortVersion() const override { return m_version; }
    QString bundlePath() const override { return m_path; }
    QString launchCommand() const override { return QStringLiteral("open"); }
    // The process identifier the simulated workspace gives this application.
    long long processIdentifier() const override { return 100; }

    void setShortVersion(const std::optional<QString>& version) { m_version = version; }
    void setBundlePath(const QString& path) { m_path = path; }

private:
    std::optional<QString> m_version = QStringLiteral("1.0");
    QString m_path = defaultBundlePath;
};
