#pragma once

#include "Platform/BundleInfo.h"

// A plain installed executable: its path is what starts it again, and the shell's exec runs it.
class BundleInfoDesktop final : public BundleInfo {
public:
    // The version the build was made with; empty leaves the application's own version, if any. An install
    // folder's description, when there is one, tells the version instead: that is what an update
    // replaced. `executablePath` stands in for this process's own (for tests).
    explicit BundleInfoDesktop(QString buildVersion = {}, QString executablePath = {});

    std::optional<QString> shortVersion() const override;
    QString bundlePath() const override;
    QString launchCommand() const override { return QStringLiteral("exec"); }
    long long processIdentifier() const override;
    std::optional<QString> bundleIdentifier() const override { return QStringLiteral("com.drimo.copy"); }
    // Read from the install folder's description (BundleManifest::descriptionName).
    std::optional<Identity> identityAt(const QString& bundlePath) const override;

private:
    QString m_buildVersion;
    QString m_executablePath;
};
