#pragma once

#include "Platform/Workspace.h"

// The desktop session. Which application is in front is not known yet on this backend, so copies are
// recorded without a source.
class WorkspaceDesktop final : public Workspace {
public:
    std::optional<Application> frontmostApplication() const override { return std::nullopt; }
    bool openUrl(const QUrl& url) override;
    void activateSelf() override { }
};
