#pragma once

#include "Foundation/VirtualScheduler.h"
#include "Platform/Desktop/UserDefaultsStoreDesktop.h"
#include "Platform/Platform.h"
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
#include "Platform/Simulated/WorkspaceSimulated.h"

#include <functional>

// The simulated machine a scenario runs on. Defaults are kept in files under the home folder, so a second
// run with the same home finds what the first one stored, as the history does.
class SimulatedWorld final {
public:
    explicit SimulatedWorld(const QString& home);

    // Keyboard service the application sees: the simulated one, telling about taps and posted events.
    class Keyboard final : public KeyboardEvents {
    public:
        explicit Keyboard(KeyboardEventsSimulated& inner)
            : m_inner(inner)
        { }
        std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord> chords, TapCallback callback) override;
        bool post(const KeyEvent& event) override;

        std::function<void(bool installed)> onTap = [](bool) {};
        std::function<void(const KeyEvent&)> onPost = [](const KeyEvent&) {};

    private:
        KeyboardEventsSimulated& m_inner;
    };

    // Process and workspace services the application sees: the simulated ones, telling as things start.
    class ReportingProcesses final : public Processes {
    public:
        explicit ReportingProcesses(Processes& inner)
            : m_inner(inner)
        { }
        std::shared_ptr<Running> start(
            const QString& program, const QStringList& arguments, ExitHandler onExit = {}) override
        {
            onStart(program, arguments);
            return m_inner.start(program, arguments, std::move(onExit));
        }
        bool startDetached(const QString& program, const QStringList& arguments) override
        {
            onStart(program, arguments);
            return m_inner.startDetached(program, arguments);
        }
        std::function<void(const QString&, const QStringList&)> onStart
            = [](const QString&, const QStringList&) {};

    private:
        Processes& m_inner;
    };
    class ReportingWorkspace final : public Workspace {
    public:
        explicit ReportingWorkspace(Workspace& inner)
            : m_inner(inner)
        { }
        std::optional<Application> frontmostApplication() const override
        {
            return m_inner.frontmostApplication();
        }
        bool openUrl(const QUrl& url) override
        {
            onOpen(url);
            return m_inner.openUrl(url);
        }
        void activateSelf() override { m_inner.activateSelf(); }
        std::function<void(const QUrl&)> onOpen = [](const QUrl&) {};

    private:
        Workspace& m_inner;
    };

    Platform platform();

    VirtualScheduler scheduler;
    PasteboardSimulated pasteboard;
    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboardEvents { workspace };
    Keyboard keyboard { keyboardEvents };
    StandardPathsSimulated paths;
    UserDefaultsStoreDesktop defaults;
    ScreensSimulated screens;
    AccessibilitySimulated accessibility;
    ProcessesSimulated processes { scheduler };
    ReportingProcesses reportingProcesses { processes };
    ReportingWorkspace reportingWorkspace { workspace };
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
};
