#include "Desktop/DesktopSession.h"
#include "Platform/Desktop/ScreensDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Screenshots/EditorShots.h"
#include "Screenshots/ScreenshotEditor.h"

#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xlib.h>

using DesktopSession::run;

namespace {

QByteArray property(WId id, const char* name)
{
    return run(
        QStringLiteral("xprop"), { QStringLiteral("-id"), QString::number(id), QString::fromLatin1(name) })
        .value_or(QByteArray());
}

bool viewable(WId id)
{
    const auto info = run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(id) });
    return info && info->contains("Map State: IsViewable");
}

// What a window manager sends when the user clicks a window's close button.
bool askToClose(WId id)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, id, False, NoEventMask, &event) != 0;
    XFlush(display);
    XCloseDisplay(display);
    return sent;
}

} // namespace

TEST(DesktopEditor, OpensADecoratedTopLevelWindowThatClosesLikeAnyOther)
{
    SKIP_WITHOUT_DISPLAY();
    AlertsSimulated alerts;
    ScreensDesktop screens;
    WorkspaceDesktop workspace;
    ScreenshotEditor editor(alerts, screens, workspace);

    QWidget* window = editor.open(EditorShots::plain(1600, 1000), {}, {});
    ASSERT_TRUE(window);
    const WId id = window->winId();
    EXPECT_TRUE(DesktopSession::spinUntil([&] { return viewable(id); }, 3000)) << "mapped on the server";
    // A managed, ordinary top-level window: titled, closable through the window manager, not a panel.
    EXPECT_TRUE(property(id, "_NET_WM_NAME").contains("\"Скриншот\""));
    EXPECT_TRUE(property(id, "WM_PROTOCOLS").contains("WM_DELETE_WINDOW"));
    EXPECT_TRUE(property(id, "_NET_WM_WINDOW_TYPE").contains("_NET_WM_WINDOW_TYPE_NORMAL"));
    const QByteArray hints = property(id, "WM_NORMAL_HINTS");
    const qsizetype minimum = hints.indexOf("minimum size: ");
    ASSERT_GE(minimum, 0) << hints.toStdString();
    EXPECT_GE(hints.mid(minimum + 14).split(' ').front().toInt(), 520)
        << "the window manager keeps it usable";
    if (DesktopSession::windowManagerRuns()) {
        // The window manager has framed it: it announces the frame's borders and title bar.
        QByteArray extents;
        EXPECT_TRUE(DesktopSession::spinUntil(
            [&] {
                extents = property(id, "_NET_FRAME_EXTENTS");
                return extents.contains(" = ");
            },
            3000))
            << extents.toStdString();
        const auto values = extents.mid(extents.indexOf('=') + 1).split(',');
        ASSERT_EQ(values.size(), 4);
        EXPECT_GT(values[2].trimmed().toInt(), 0) << "a title bar above the content";
    }

    // Nothing drawn: the close button closes at once.
    ASSERT_TRUE(askToClose(id));
    EXPECT_TRUE(DesktopSession::spinUntil([&] { return editor.windows().empty(); }, 3000));
    EXPECT_TRUE(DesktopSession::spinUntil([&] { return !viewable(id); }, 3000));
    EXPECT_TRUE(alerts.alerts().empty());
    // With marks, the question the close button asks first, and its answers, are the editor's own tests'.
}
