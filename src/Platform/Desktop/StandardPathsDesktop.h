#pragma once

#include "Platform/StandardPaths.h"

// The XDG folders of the current user: Application Support is $XDG_DATA_HOME (~/.local/share).
class StandardPathsDesktop final : public StandardPaths {
public:
    QString applicationSupport() const override;
    QString desktop() const override;
    QString home() const override;
    QString temporary() const override;

    // $XDG_CONFIG_HOME (~/.config): where the settings files live.
    QString configuration() const;
};
