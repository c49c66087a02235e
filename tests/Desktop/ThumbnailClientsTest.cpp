#include "Desktop/DesktopSession.h"
#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/ScreensDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Screenshots/EditorShots.h"
#include "Screenshots/ThumbnailPanel.h"

#include <QGuiApplication>
#include <QMap>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

using DesktopSession::run;

namespace {

// The window's frame on the server as xwininfo reports it: where it is, and whether it is mapped.
struct ServerWindow {
    QRect geometry;
    bool viewable = false;
};

std::optional<ServerWindow> serverWindow(WId id)
{
    const auto info = run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(id) });
    if (!info)
        return std::nullopt;
    QMap<QByteArray, QByteArray> values;
    for (const QByteArray& line : info->split('\n'))
        if (const qsizetype colon = line.indexOf(':'); colon > 0)
            values[line.left(colon).trimmed()] = line.mid(colon + 1).trimmed();
    ServerWindow window;
    window.geometry = QRect(values["Absolute upper-left X"].toInt(), values["Absolute upper-left Y"].toInt(),
        values["Width"].toInt(), values["Height"].toInt());
    window.viewable = values["Map State"] == "IsViewable";
    return window;
}

} // namespace

TEST(DesktopThumbnail, SlidesIntoTheCornerWithoutTakingTheFocusFromTheWindowInFront)
{
    SKIP_WITHOUT_DISPLAY();
    auto front = DesktopSession::startWindow();
    ASSERT_TRUE(front);
    WorkspaceDesktop workspace;
    const auto focusBefore = workspace.keyboardFocus();

    EventLoopScheduler scheduler;
    ScreensDesktop screens;
    ThumbnailPanel thumbnail(scheduler, screens);
    thumbnail.show(EditorShots::plain(2880, 1800), [] {});
    ASSERT_NE(thumbnail.panel(), nullptr);
    const WId id = thumbnail.panel()->winId();

    // Once the slide has ended, the window stands 20 points from the bottom-right corner of the work area,
    // undecorated, as large as the shot's proportions make it, whatever the window manager thinks of
    // placement.
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect expected(work.right() + 1 - 20 - 220, work.bottom() + 1 - 20 - 138, 220, 138);
    const auto near = [](const QRect& a, const QRect& b) {
        return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 && a.size() == b.size();
    };
    std::optional<ServerWindow> shown;
    EXPECT_TRUE(DesktopSession::spinUntil(
        [&] {
            shown = serverWindow(id);
            return shown && shown->viewable && near(shown->geometry, expected);
        },
        3000))
        << (shown ? QStringLiteral("%1 %2 %3x%4")
                        .arg(shown->geometry.x())
                        .arg(shown->geometry.y())
                        .arg(shown->geometry.width())
                        .arg(shown->geometry.height())
                        .toStdString()
                  : std::string("not on the server"));
    EXPECT_EQ(workspace.keyboardFocus(), focusBefore) << "the window in front keeps the keyboard";

    thumbnail.close();
    EXPECT_TRUE(DesktopSession::spinUntil([&] {
        const auto gone = serverWindow(id);
        return !gone || !gone->viewable;
    }));
}
