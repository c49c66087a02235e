#include "Platform/Desktop/DesktopPlatform.h"

#include "Platform/Desktop/AccessibilityDesktop.h"
#include "Platform/Desktop/HotKeyServiceDesktop.h"
#include "Platform/Desktop/HotKeyServiceUnavailable.h"
#include "Platform/Desktop/KeyboardEventsDesktop.h"
#include "Platform/Desktop/KeyboardEventsUnavailable.h"
#include "Platform/Desktop/KeyboardEventsWayland.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/WaylandClipboard.h"
#include "Platform/Desktop/WaylandConnection.h"
#include "Platform/Desktop/WaylandKeyboard.h"

#include <QDBusConnection>
#include <QGuiApplication>

#include <algorithm>

namespace {

// How long the compositor may take to answer at start-up, and another client to hand over its copy.
constexpr int budgetMs = int(Pasteboard::arrivalBudget * 1000);

// grim reads the screen through wlroots' screencopy protocol; other compositors leave it to their own tools.
AreaCaptureCommand::Session captureSession(DesktopPlatform::Session session, const WaylandConnection* wayland)
{
    if (session != DesktopPlatform::Session::Wayland)
        return AreaCaptureCommand::Session::X11;
    const bool screencopy = wayland
        && std::any_of(wayland->globals().begin(), wayland->globals().end(), [](const auto& global) {
               return global.interface == QLatin1String("zwlr_screencopy_manager_v1");
           });
    return screencopy ? AreaCaptureCommand::Session::WaylandScreencopy : AreaCaptureCommand::Session::Wayland;
}

} // namespace

DesktopPlatform::DesktopPlatform(
    StandardPathsDesktop& paths, const QString& version, const QByteArray& releaseKey)
    : m_session(session())
    , m_paths(paths)
    , m_defaults(paths.configuration() + QStringLiteral("/com.drimo.copy"))
    , m_bundle(version)
    , m_loginItems(m_bundle.bundlePath())
    , m_processes(m_scheduler, m_log)
    , m_codeSigning(releaseKey)
{
    choosePasteboard();
    m_processes.setCaptureSession(captureSession(m_session, m_wayland.get()));
    chooseKeyboard();
    chooseHotKeys();
}

DesktopPlatform::~DesktopPlatform() = default;

DesktopPlatform::Session DesktopPlatform::session()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return Session::Wayland;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return Session::X11;
    return Session::Other;
}

std::optional<QByteArray> DesktopPlatform::requiredQtPlatform()
{
    // A platform the user named stands.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return std::nullopt;
    if (const auto interfaces = WaylandConnection::interfacesOffered(budgetMs);
        interfaces && WaylandClipboard::choose(*interfaces))
        return std::nullopt;
    return QByteArrayLiteral("xcb");
}

void DesktopPlatform::choosePasteboard()
{
    if (m_session == Session::Wayland) {
        m_wayland = WaylandConnection::open(budgetMs);
        if (m_wayland)
            m_waylandClipboard = WaylandClipboard::create(*m_wayland, m_scheduler, budgetMs);
        if (m_waylandClipboard) {
            m_pasteboard = std::make_unique<PasteboardDesktop>(*m_waylandClipboard);
            m_working.append(
                QStringLiteral("copies are recorded and a chosen entry is put on the clipboard"));
            return;
        }
    }
    m_pasteboard = std::make_unique<PasteboardDesktop>(QGuiApplication::clipboard());
    m_recordsCopies = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!m_recordsCopies)
        m_missing.append(QStringLiteral("copies are not recorded, as neither the compositor's data-control "
                                        "nor an X11 display is there"));
    else if (m_session == Session::Wayland)
        m_working.append(QStringLiteral("copies are recorded through X11, as the compositor offers no "
                                        "data-control"));
}

void DesktopPlatform::chooseKeyboard()
{
    if (m_session == Session::Wayland) {
        chooseWaylandKeyboard();
        return;
    }
    // On X11 the keyboard tap and the trust to read other applications' text come with XTest. Without it
    // onboarding explains what is missing, and the clipboard is still recorded.
    if (m_session == Session::X11) {
        auto keyboard = std::make_unique<KeyboardEventsDesktop>();
        if (keyboard->isAvailable()) {
            m_keyboard = std::move(keyboard);
            m_accessibility = std::make_unique<AccessibilityDesktop>(true);
            return;
        }
    }
    m_keyboard = std::make_unique<KeyboardEventsUnavailable>();
    m_accessibility = std::make_unique<AccessibilityDesktop>(false);
    m_missing.append(QStringLiteral("no X11 display with the XTest extension: hold gestures are off"));
}

void DesktopPlatform::chooseWaylandKeyboard()
{
    // No tap: Wayland shows no program the keys held in others. The paste is typed by the compositor's
    // virtual keyboard where it has one, else by XTest on Xwayland, which reaches X11 windows (and on KDE
    // Plasma 6 and GNOME, after a question to the user, every window).
    auto virtualKeyboard = m_wayland ? WaylandKeyboard::create(*m_wayland) : nullptr;
    auto xwayland = virtualKeyboard ? nullptr : std::make_unique<KeyboardEventsDesktop>();
    if (virtualKeyboard)
        m_working.append(QStringLiteral("pastes typed through the compositor's virtual keyboard"));
    else if (xwayland->isAvailable())
        m_working.append(QStringLiteral("pastes typed through Xwayland, into X11 windows at least"));
    else
        m_missing.append(
            QStringLiteral("nothing can type a paste here: a chosen entry waits on the clipboard"));
    m_keyboard = std::make_unique<KeyboardEventsWayland>(
        std::move(virtualKeyboard), xwayland && xwayland->isAvailable() ? std::move(xwayland) : nullptr);
    // Nothing to grant: the compositor places the picker, and the caret's place would not move it.
    m_accessibility = std::make_unique<AccessibilityDesktop>(true);
    m_missing.append(QStringLiteral("no hold gestures, as Wayland shows no program the keys held in others; "
                                    "bind `drimo-copy --show-history` to a key instead"));
}

void DesktopPlatform::bindCommands(std::function<void(Command)> run)
{
    if (m_session != Session::Wayland)
        return;
    m_portalCommands = std::make_unique<PortalCommands>(
        QDBusConnection::sessionBus(), std::move(run), [this](const QString& line) { m_log.write(line); });
}

void DesktopPlatform::chooseHotKeys()
{
    if (m_session == Session::X11) {
        auto hotKeys = std::make_unique<HotKeyServiceDesktop>();
        if (hotKeys->isAvailable()) {
            m_hotKeys = std::move(hotKeys);
            return;
        }
    }
    m_hotKeys = std::make_unique<HotKeyServiceUnavailable>();
}

Platform DesktopPlatform::platform()
{
    return Platform {
        .scheduler = m_scheduler,
        .pasteboard = *m_pasteboard,
        .workspace = m_workspace,
        .keyboard = *m_keyboard,
        .paths = m_paths,
        .defaults = m_defaults,
        .screens = m_screens,
        .accessibility = *m_accessibility,
        .processes = m_processes,
        .alerts = m_alerts,
        .loginItems = m_loginItems,
        .log = m_log,
        .bundle = m_bundle,
        .lifecycle = m_lifecycle,
        .http = m_http,
        .diskImages = m_diskImages,
        .codeSigning = m_codeSigning,
        .bundleReplacement = m_bundleReplacement,
        .hotKeys = *m_hotKeys,
        .screenAccess = m_screenAccess,
        .family = SystemFamily::Linux,
    };
}

QString DesktopPlatform::summary() const
{
    if (m_missing.isEmpty())
        return {};
    QString line = m_session == Session::Wayland ? QStringLiteral("this is a Wayland session: ") : QString();
    if (!m_working.isEmpty())
        line += m_working.join(QStringLiteral(", ")) + QStringLiteral("; ");
    return line + m_missing.join(QStringLiteral("; "));
}
