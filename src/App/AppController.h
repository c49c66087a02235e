#pragma once

#include "App/AppWindows.h"
#include "App/PermissionWatch.h"
#include "App/ScreenshotFlow.h"
#include "Clipboard/ClipboardHistory.h"
#include "Foundation/TaskHandle.h"
#include "GlobalShortcuts/Module.h"
#include "Keyboard/HoldMonitor.h"
#include "Picker/HistoryPanel.h"
#include "Platform/Platform.h"
#include "Platform/Workspace.h"
#include "Support/AppSettings.h"
#include "Updates/UpdateChecker.h"

#include <QObject>

#include <functional>
#include <memory>

class ClipboardMonitor;

// The hub of the application: owns every long-lived object, wires their callbacks to each other at
// start-up and carries out the user's commands. Everything runs on the main thread.
class AppController final : public QObject {
    Q_OBJECT
public:
    static constexpr double pasteDelay = 0.06;

    // Loads the settings and the history and reads the permission; starts nothing.
    // Tests and the simulator save the history at once, so that the disk can be checked after every step;
    // the program saves it from a worker.
    explicit AppController(const Platform& platform, QObject* parent = nullptr,
        HistorySaver::Mode saving = HistorySaver::Mode::Immediate);
    ~AppController() override;

    // The start-up sequence: history limit, pasteboard polling, hold gestures, update checks, the global
    // screenshot shortcut, and onboarding with the permission watch when the permission is missing.
    void start();
    // Starts or stops the keyboard tap as the hold settings and the permission say.
    void applyHoldKeys();
    void showHistory();
    // Captures an area and saves, copies and shows it as the settings say; ignored while a capture runs,
    // and a request for the screen-recording permission instead when that is missing. The menu, a hold of
    // the copy chord and the global screenshot shortcut's key-up all come here.
    void takeScreenshot() { m_screenshots.takeScreenshot(); }
    // Opens an editor window for the shot; "Готово" writes it back and copies it. The thumbnail's click
    // comes here.
    void edit(const std::shared_ptr<Shot>& shot) { m_screenshots.edit(shot); }
    // Lets the user pick the screenshot folder; cancelling keeps the one there is.
    void chooseScreenshotFolder();
    void confirmClearHistory();
    void showOnboarding();
    void showSettings();
    // The update check the user asked for; its outcome is an alert.
    void checkForUpdates();
    void requestAccessibility();
    void relaunch();
    void quit();

    const Platform& platform() const { return m_platform; }
    AppSettings& settings() { return m_settings; }
    ClipboardHistory& history() { return m_history; }
    ClipboardMonitor* monitor() const { return m_monitor.get(); }
    HoldMonitor& holdMonitor() { return m_holdMonitor; }
    HistoryPanel& picker() { return m_picker; }
    WindowPresenter& windows() { return m_windows.presenter(); }
    ThumbnailPanel& thumbnail() { return m_screenshots.thumbnail(); }
    UpdateChecker& updates() { return m_updates; }
    GlobalShortcuts::Module& shortcuts() { return m_shortcuts; }
    ScreenshotEditor& editor() { return m_screenshots.editor(); }
    bool isPermissionWatchRunning() const { return m_permissionWatch.isRunning(); }

    bool accessibilityGranted() const { return m_accessibilityGranted; }
    bool needsRestart() const { return m_needsRestart; }
    bool capturing() const { return m_screenshots.capturing(); }

Q_SIGNALS:
    void accessibilityGrantedChanged();
    void needsRestartChanged();
    void capturingChanged();
    // A hold of ⌘C or ⌘V fired, before it is acted on.
    void holdFired(HoldMonitor::Key key);
    // The capture tool has ended: `captured` when it left a file at `path`, its temporary location.
    void captureEnded(bool captured, const QString& path);
    // A screenshot file was moved into place or written.
    void screenshotFileWritten(const QString& path);

private:
    void paste(const ClipboardItem& item);
    void permissionGranted();
    void installHoldCallbacks();
    void setAccessibilityGranted(bool granted);
    void setNeedsRestart(bool needsRestart);

    Platform m_platform;
    // Before the windows, whose shortcut recorder it must outlive.
    GlobalShortcuts::Module m_shortcuts;
    unsigned long long m_focusBeforePicker = 0;
    // The application the picker was opened over, which the chosen entry is pasted into: read once the
    // picker has gone, the window manager may not have told yet who is in front again.
    std::optional<Workspace::Application> m_frontBeforePicker;
    AppSettings m_settings;
    ClipboardHistory m_history;
    bool m_accessibilityGranted = false;
    bool m_needsRestart = false;
    // The picker has said that entries are left on the clipboard, where nothing types the paste.
    bool m_toldPasteByHand = false;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    HoldMonitor m_holdMonitor;
    HistoryPanel m_picker;
    PermissionWatch m_permissionWatch;
    AppWindows m_windows;
    ScreenshotFlow m_screenshots;
    UpdateChecker m_updates;
};
