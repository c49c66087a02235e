#pragma once

#include "App/AppController.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/SimulatedPlatform.h"

#include "TestSupport/TemporaryHome.h"
#include "TestSupport/UserCopies.h"

#include <memory>

// The clock and the home folder, made before the machine that runs on them.
struct HarnessGround {
    TemporaryHome home;
    VirtualScheduler scheduler;
};

// A simulated machine with a controller on it, made on demand so that tests can set the scene first.
class ControllerHarness : public HarnessGround, public SimulatedPlatform {
public:
    ControllerHarness()
        : SimulatedPlatform(scheduler, home.path())
    {
        workspace.setFrontmost(QStringLiteral("com.example.editor"));
    }

    void setTrusted(bool trusted)
    {
        accessibility.setTrusted(trusted);
        keyboard.setTrusted(trusted);
    }

    AppController& app()
    {
        if (!controller)
            controller = std::make_unique<AppController>(platform());
        return *controller;
    }

    std::unique_ptr<AppController> controller;
};
