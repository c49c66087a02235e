#pragma once

#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/AlertsDesktop.h"
#include "Platform/Desktop/ApplicationLifecycleDesktop.h"
#include "Platform/Desktop/BundleInfoDesktop.h"
#include "Platform/Desktop/BundleReplacementDesktop.h"
#include "Platform/Desktop/CodeSigningDesktop.h"
#include "Platform/Desktop/DiskImagesDesktop.h"
#include "Platform/Desktop/HttpClientDesktop.h"
#include "Platform/Desktop/LoginItemServiceDesktop.h"
#include "Platform/Desktop/PortalCommands.h"
#include "Platform/Desktop/ProcessesDesktop.h"
#include "Platform/Desktop/ScreenAccessDesktop.h"
#include "Platform/Desktop/ScreensDesktop.h"
#include "Platform/Desktop/StandardPathsDesktop.h"
#include "Platform/Desktop/SystemLogDesktop.h"
#include "Platform/Desktop/UserDefaultsStoreDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Platform/Platform.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class WaylandClipboard;
class WaylandConnection;

// The services of the desktop session the program runs in, each chosen once, at start-up: the X server's
// where Qt runs on X11, the compositor's in a Wayland session, and where the session offers no way to do
// something, a service that says so. Everything lives as long as this object.
class DesktopPlatform {
public:
    enum class Session { X11, Wayland, Other };

    // `paths` are the ones the process entry found its lock with; the rest is made here. `version` is the
    // build's, `releaseKey` the key updates must be signed with. Needs the QApplication.
    DesktopPlatform(StandardPathsDesktop& paths, const QString& version, const QByteArray& releaseKey);
    ~DesktopPlatform();
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    // What kind of session this process runs in: Wayland wherever a compositor is named, X11 where Qt
    // talks to an X server.
    static Session session();
    // Before the QApplication: the Qt platform the program must run on in this session; nothing where Qt
    // may choose. In a Wayland session whose compositor offers no data-control, only the X11 clipboard
    // shows other clients' copies (GNOME's compositor keeps Xwayland's in step whatever has the focus).
    static std::optional<QByteArray> requiredQtPlatform();

    Platform platform();
    // One line on what works in this session and what does not, with what to do instead; empty where
    // everything works.
    QString summary() const;
    // Whether other programs' copies reach the history in this session.
    bool recordsCopies() const { return m_recordsCopies; }

    HttpClientDesktop& http() { return m_http; }

    using Command = PortalCommands::Command;
    // Runs `run` for the program's commands where the session has keys for them outside a grab of ours: the
    // desktop portal's global shortcuts in a Wayland session.
    void bindCommands(std::function<void(Command)> run);

private:
    // Each picks one service (the keyboard with the trust it brings) for the session and notes what is
    // missing.
    void choosePasteboard();
    void chooseKeyboard();
    void chooseWaylandKeyboard();
    void chooseHotKeys();

    const Session m_session;
    StandardPathsDesktop& m_paths;
    EventLoopScheduler m_scheduler;
    UserDefaultsStoreDesktop m_defaults;
    WorkspaceDesktop m_workspace;
    ScreensDesktop m_screens;
    AlertsDesktop m_alerts;
    BundleInfoDesktop m_bundle;
    LoginItemServiceDesktop m_loginItems;
    SystemLogDesktop m_log;
    ProcessesDesktop m_processes;
    ApplicationLifecycleDesktop m_lifecycle;
    HttpClientDesktop m_http;
    DiskImagesDesktop m_diskImages;
    CodeSigningDesktop m_codeSigning;
    BundleReplacementDesktop m_bundleReplacement;
    ScreenAccessDesktop m_screenAccess;

    // The program's own connection to the Wayland compositor, and what is reached through it.
    std::unique_ptr<WaylandConnection> m_wayland;
    std::unique_ptr<WaylandClipboard> m_waylandClipboard;

    // Chosen by the session.
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<KeyboardEvents> m_keyboard;
    std::unique_ptr<Accessibility> m_accessibility;
    std::unique_ptr<HotKeyService> m_hotKeys;
    std::unique_ptr<PortalCommands> m_portalCommands;
    // For summary(): what works where not everything does, and what is missing, each in a few words.
    QStringList m_working;
    QStringList m_missing;
    bool m_recordsCopies = true;
};
