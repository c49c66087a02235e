#pragma once

#include "Platform/StandardPaths.h"

// The XDG folders of the current user: Application Support is $XDG_DATA_HOME (~/.local/share).
class StandardPathsDesktop final : public StandardPaths {
public:
    QString applicationSupport() const override;
    QString desktop() const override;
    QString home() const override;
    // A folder nobody else may enter: "drimo-copy" in $XDG_RUNTIME_DIR, else "drimo-copy-<uid>" in the
    // shared temporary folder, else a fresh folder of ours there when another user holds that name. It is
    // made again when something removed it.
    QString temporary() const override;

    // $XDG_CONFIG_HOME (~/.config): where the settings files live.
    QString configuration() const;

    // Makes `path` a folder with mode 0700, or accepts one already there that is a real folder (no link),
    // belongs to this user and lets nobody else in. False when neither holds.
    static bool makePrivateFolder(const QString& path);

private:
    mutable QString m_madeFolder; // the fresh folder, once one was needed
};
