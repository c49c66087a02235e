#pragma once

#include "Platform/ApplicationLifecycle.h"

// The Qt application: quitting waits for the event loop's next turn, so the event being handled (a menu
// choice) finishes first.
class ApplicationLifecycleDesktop final : public ApplicationLifecycle {
public:
    void terminate() override;
};
