#pragma once

#include "Platform/Platform.h"
#include "Platform/Simulated/AccessibilitySimulated.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/ApplicationLifecycleSimulated.h"
#include "Platform/Simulated/BundleInfoSimulated.h"
#include "Platform/Simulated/BundleReplacementSimulated.h"
#include "Platform/Simulated/CodeSigningSimulated.h"
#include "Platform/Simulated/DiskImagesSimulated.h"
#include "Platform/Simulated/HotKeyServiceSimulated.h"
#include "Platform/Simulated/HttpClientSimulated.h"
#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/LoginItemServiceSimulated.h"
#include "Platform/Simulated/PasteboardSimulated.h"
#include "Platform/Simulated/ProcessesSimulated.h"
#include "Platform/Simulated/ScreenAccessSimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/StandardPathsSimulated.h"
#include "Platform/Simulated/SystemLogSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

// A whole simulated machine: one of every simulated service, on the caller's clock, for a user whose home is
// the given folder. Where a test or a tool needs a real or a wrapped service in one place, it names that one
// in `Substitutes` and the platform handed out uses it instead of the simulated one.
class SimulatedPlatform {
public:
    struct Substitutes {
        Scheduler* scheduler = nullptr;
        Workspace* workspace = nullptr;
        KeyboardEvents* keyboard = nullptr;
        UserDefaultsStore* defaults = nullptr;
        Processes* processes = nullptr;
        BundleInfo* bundle = nullptr;
        HttpClient* http = nullptr;
        DiskImages* diskImages = nullptr;
        CodeSigning* codeSigning = nullptr;
        BundleReplacement* bundleReplacement = nullptr;
        HotKeyService* hotKeys = nullptr;
        ScreenAccess* screenAccess = nullptr;
    };

    SimulatedPlatform(Scheduler& scheduler, const QString& home);
    SimulatedPlatform(const SimulatedPlatform&) = delete;
    SimulatedPlatform& operator=(const SimulatedPlatform&) = delete;

    Platform platform();
    Platform platform(const Substitutes& substitutes);

    PasteboardSimulated pasteboard;
    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard { workspace };
    StandardPathsSimulated paths;
    UserDefaultsStoreSimulated defaults;
    ScreensSimulated screens;
    AccessibilitySimulated accessibility;
    ProcessesSimulated processes;
    AlertsSimulated alerts;
    LoginItemServiceSimulated loginItems;
    SystemLogSimulated log;
    BundleInfoSimulated bundle;
    ApplicationLifecycleSimulated lifecycle;
    HttpClientSimulated http;
    DiskImagesSimulated diskImages;
    CodeSigningSimulated codeSigning;
    BundleReplacementSimulated bundleReplacement;
    HotKeyServiceSimulated hotKeys;
    ScreenAccessSimulated screenAccess;
    // Which desktop the machine plays; a Mac unless a test asks for a Linux desktop's texts.
    SystemFamily family = SystemFamily::MacOS;

private:
    Scheduler& m_scheduler;
};
