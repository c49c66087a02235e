#include "Platform/Desktop/WorkspaceDesktop.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

// After the Qt headers: it includes Xlib, whose macros (Status, Bool, None) they must not see.
#include "Platform/Desktop/X11ErrorTrap.h"

namespace {

// The first 32-bit value of a window property, whatever its declared type; nothing when it is absent.
std::optional<unsigned long> cardinalProperty(Display* display, Window window, const char* name)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, name, False);
    if (XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
            &remaining, &data)
            != Success
        || !data)
        return std::nullopt;
    std::optional<unsigned long> value;
    if (format == 32 && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    XFree(data);
    return value;
}

} // namespace

WorkspaceDesktop::WorkspaceDesktop()
    : m_display(XOpenDisplay(nullptr))
{ }

WorkspaceDesktop::~WorkspaceDesktop()
{
    if (m_display)
        XCloseDisplay(m_display);
}

std::optional<Workspace::Application> WorkspaceDesktop::frontmostApplication() const
{
    if (!m_display)
        return std::nullopt;
    // The active window may be destroyed between the two questions.
    X11ErrorTrap trap(m_display);
    const auto active = cardinalProperty(m_display, DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW");
    if (!active || *active == None)
        return std::nullopt;
    const Window window = *active;
    Application application;
    XClassHint hint {};
    if (XGetClassHint(m_display, window, &hint)) {
        if (hint.res_class && *hint.res_class)
            application.bundleIdentifier = QString::fromLocal8Bit(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    application.processIdentifier
        = static_cast<long long>(cardinalProperty(m_display, window, "_NET_WM_PID").value_or(0));
    if (!trap.succeeded() && !application.bundleIdentifier && application.processIdentifier == 0)
        return std::nullopt;
    return application;
}

bool WorkspaceDesktop::openUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

void WorkspaceDesktop::activateSelf()
{
    // Window managers may refuse focus stealing; asking is all an X client can do.
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible())
            continue;
        window->raise();
        window->requestActivate();
    }
}

unsigned long long WorkspaceDesktop::keyboardFocus() const
{
    // Windows of ours on Wayland are not X11 windows: the compositor hands the keyboard back when they go,
    // and Xwayland's focus names no native window to give it to.
    if (!m_display || QGuiApplication::platformName() != QLatin1String("xcb"))
        return 0;
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(m_display, &focus, &revertTo);
    // None and PointerRoot are not windows to give anything back to.
    return focus == None || focus == PointerRoot ? 0 : static_cast<unsigned long long>(focus);
}

void WorkspaceDesktop::restoreKeyboardFocus(unsigned long long token)
{
    if (!m_display || token == 0)
        return;
    // The window may have closed meanwhile; the error that brings must not end the program.
    X11ErrorTrap trap(m_display);
    XSetInputFocus(m_display, static_cast<Window>(token), RevertToParent, CurrentTime);
    trap.succeeded();
}

void WorkspaceDesktop::lendKeyboard(QWindow* window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!window || !connection || !window->isVisible())
        return;
    // Qt's own connection carries the request that mapped the window, so the window is viewable by the time
    // this one is read; on another connection it could arrive first and fail. The current server time wins
    // over whatever time the window manager last gave the focus with.
    xcb_set_input_focus(
        connection, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window->winId()), XCB_CURRENT_TIME);
    xcb_flush(connection);
}
