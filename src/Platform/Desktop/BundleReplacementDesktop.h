#pragma once

#include "Platform/BundleReplacement.h"

// Replaces the install folder that holds the running executable. The new copy is first put next to it, in
// the same file system, and the two are then exchanged by renaming, so the running files are never written
// over and a failure at any point leaves the installed copy whole.
class BundleReplacementDesktop final : public BundleReplacement {
public:
    // `installedPath` is the running executable or its install folder.
    std::optional<QString> replace(const QString& installedPath, const QString& newBundlePath) override;
};
