#pragma once

#include "Platform/SystemFamily.h"

class Accessibility;
class Alerts;
class ApplicationLifecycle;
class BundleInfo;
class BundleReplacement;
class CodeSigning;
class DiskImages;
class HttpClient;
class HotKeyService;
class KeyboardEvents;
class LoginItemService;
class Pasteboard;
class Processes;
class Scheduler;
class Screens;
class ScreenAccess;
class StandardPaths;
class SystemLog;
class UserDefaultsStore;
class Workspace;

// One implementation of every platform service, chosen by the process entry (or a test) and handed to
// the objects that need them. Plain references: the services outlive everything that uses them.
struct Platform {
    Scheduler& scheduler;
    Pasteboard& pasteboard;
    Workspace& workspace;
    KeyboardEvents& keyboard;
    StandardPaths& paths;
    UserDefaultsStore& defaults;
    Screens& screens;
    Accessibility& accessibility;
    Processes& processes;
    Alerts& alerts;
    LoginItemService& loginItems;
    SystemLog& log;
    BundleInfo& bundle;
    ApplicationLifecycle& lifecycle;
    HttpClient& http;
    DiskImages& diskImages;
    CodeSigning& codeSigning;
    BundleReplacement& bundleReplacement;
    HotKeyService& hotKeys;
    ScreenAccess& screenAccess;
    // Which desktop this is, for what the program tells the user. A Mac unless the process entry says
    // otherwise, so the simulator and the tests see the texts a Mac user reads.
    SystemFamily family = SystemFamily::MacOS;
};
