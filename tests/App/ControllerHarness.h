#pragma once

#include "App/AppController.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/AccessibilitySimulated.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/ApplicationLifecycleSimulated.h"
#include "Platform/Simulated/BundleInfoSimulated.h"
#include "Platform/Simulated/BundleReplacementSimulated.h"
#include "Platform/Simulated/CodeSigningSimulated.h"
#include "Platform/Simulated/DiskImagesSimulated.h"
#include "Platform/Simulated/HttpClientSimulated.h"
#include "Platform/Simulated/HotKeyServiceSimulated.h"
#include "Platform/Simulated/ScreenAccessSimulated.h"
#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/LoginItemServiceSimulated.h"
#include "Platform/Simulated/PasteboardSimulated.h"
#include "Platform/Simulated/ProcessesSimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/StandardPathsSimulated.h"
#include "Platform/Simulated/SystemLogSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include "TestSupport/TemporaryHome.h"
#include "TestSupport/UserCopies.h"

#include <memory>

// A simulated machine with a controller on it, made on demand so that tests can set the scene first.
class ControllerHarness {
public:
    ControllerHarness()
        : paths(home.path())
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
            controller = std::make_unique<AppController>(Platform { scheduler, pasteboard, workspace,
                keyboard, paths, defaults, screens, accessibility, processes, alerts, loginItems, log, bundle,
                lifecycle, http, diskImages, codeSigning, bundleReplacement, hotKeys, screenAccess });
        return *controller;
    }

    TemporaryHome home;
    VirtualScheduler scheduler;
    PasteboardSimulated pasteboard;
    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard { workspace };
    StandardPathsSimulated paths;
    UserDefaultsStoreSimulated defaults;
    ScreensSimulated screens;
    AccessibilitySimulated accessibility;
    ProcessesSimulated processes { scheduler };
    AlertsSimulated alerts;
    LoginItemServiceSimulated loginItems;
    SystemLogSimulated log;
    BundleInfoSimulated bundle;
    ApplicationLifecycleSimulated lifecycle;
    HttpClientSimulated http { scheduler };
    DiskImagesSimulated diskImages;
    CodeSigningSimulated codeSigning;
    BundleReplacementSimulated bundleReplacement;
    HotKeyServiceSimulated hotKeys;
    ScreenAccessSimulated screenAccess;
    std::unique_ptr<AppController> controller;
};
