#pragma once

#include "Platform/BundleReplacement.h"

#include <QStringList>

#include <utility>

// Records which copy replaced the installed bundle; a test can make the next replacement fail.
class BundleReplacementSimulated final : public BundleReplacement {
public:
    std::optional<QString> replace(const QString& installedPath, const QString& newBundlePath) override
    {
        if (m_failure) {
            return std::exchange(m_failure, std::nullopt);
        }
        m_installedPath = installedPath;
        m_replacedBy = newBundlePath;
        return std::nullopt;
    }

    void failNext(const QString& description) { m_failure = description; }
    const std::optional<QString>& replacedBy() const { return m_replacedBy; }
    const QString& installedPath() const { return m_installedPath; }

private:
    std::optional<QString> m_failure;
    std::optional<QString> m_replacedBy;
    QString m_installedPath;
};
