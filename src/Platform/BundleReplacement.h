#pragma once

#include <QString>

#include <optional>

// Putting a new copy of the application where the running one is installed.
class BundleReplacement {
public:
    virtual ~BundleReplacement() = default;

    // Replaces the bundle at `installedPath` with the one at `newBundlePath`. Nothing on success; on
    // failure the file system's own description of the error, and the installed bundle as it was.
    virtual std::optional<QString> replace(const QString& installedPath, const QString& newBundlePath) = 0;
};
