#pragma once

#include "Platform/BundleInfo.h"

// A plain installed executable: its path is what starts it again, and the shell's exec runs it.
class BundleInfoDesktop final : public BundleInfo {
public:
    // The version the build was made with; empty leaves the application's own version, if any.
    explicit BundleInfoDesktop(QString buildVersion = {});

    std::optional<QString> shortVersion() const override;
    QString bundlePath() const override;
    QString launchCommand() const override { return QStringLiteral("exec"); }
    long long processIdentifier() const override;

private:
    QString m_buildVersion;
};
