#include "Platform/Desktop/DesktopPlatform.h"

#include "Platform/Desktop/AccessibilityDesktop.h"
#include "Platform/Desktop/HotKeyServiceDesktop.h"
#include "Platform/Desktop/HotKeyServiceUnavailable.h"
#include "Platform/Desktop/KeyboardEventsDesktop.h"
#include "Platform/Desktop/KeyboardEventsUnavailable.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/WaylandClipboard.h"
#include "Platform/Desktop/WaylandConnection.h"

#include <QGuiApplication>

namespace {

// How long the compositor may take to answer at start-up, and another client to hand over its copy.
constexpr int budgetMs = int(Pasteboard::arrivalBudget * 1000);

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
            m_waylandClipboard = WaylandClipboard::create(*m_wayland, budgetMs);
        if (m_waylandClipboard) {
            m_pasteboard = std::make_unique<PasteboardDesktop>(*m_waylandClipboard);
            m_working.append(
                QStringLiteral("copies are recorded and a chosen entry is put on the clipboard"));
            return;
        }
    }
    m_pasteboard = std::make_unique<PasteboardDesktop>(QGuiApplication::clipboard());
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        m_missing.append(QStringLiteral("copies are not recorded, as neither the compositor's data-control "
                                        "nor an X11 display is there"));
    else if (m_session == Session::Wayland)
        m_working.append(QStringLiteral("copies are recorded through X11, as the compositor offers no "
                                        "data-control"));
}

void DesktopPlatform::chooseKeyboard()
{
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
    if (m_session == Session::Wayland) {
        m_missing.append(
            QStringLiteral("no hold gestures, as Wayland shows no program the keys held in others: "
                           "bind `drimo-copy --show-history` to a key instead"));
        m_missing.append(QStringLiteral("a chosen entry waits on the clipboard for Ctrl+V, as nothing types "
                                        "into other windows here"));
    } else {
        m_missing.append(QStringLiteral("no X11 display with the XTest extension: hold gestures are off"));
    }
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
