#include "Desktop/DesktopSession.h"
#include "Platform/Desktop/AccessibilityDesktop.h"
#include "Platform/Desktop/ScreensDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"

#include <QProcess>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::xdotool;

TEST(DesktopWorkspace, TheActiveWindowNamesTheFrontmostApplication)
{
    SKIP_WITHOUT_DISPLAY();
    auto window = DesktopSession::startWindow();
    ASSERT_TRUE(window);
    const QString id = QString::number(window->window);
    const auto wmClass
        = run(QStringLiteral("xprop"), { QStringLiteral("-id"), id, QStringLiteral("WM_CLASS") });
    ASSERT_TRUE(wmClass);
    // WM_CLASS(STRING) = "instance", "Class"
    const QList<QByteArray> parts = wmClass->split('"');
    ASSERT_GE(parts.size(), 4) << wmClass->constData();

    WorkspaceDesktop workspace;
    auto front = workspace.frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->bundleIdentifier, QString::fromUtf8(parts[3]));
    EXPECT_EQ(front->processIdentifier, window->process->processId());

    // A window that is gone is no application.
    window->process->kill();
    window->process->waitForFinished();
    DesktopSession::spin(200);
    EXPECT_FALSE(workspace.frontmostApplication());
    run(QStringLiteral("xprop"),
        { QStringLiteral("-root"), QStringLiteral("-remove"), QStringLiteral("_NET_ACTIVE_WINDOW") });
    EXPECT_FALSE(workspace.frontmostApplication());
}

TEST(DesktopScreens, ScreensAndPointerAreInBottomLeftSpace)
{
    SKIP_WITHOUT_DISPLAY();
    ScreensDesktop screens;
    const auto all = screens.screens();
    ASSERT_FALSE(all.empty());
    const QRectF frame = all.front().frame;
    EXPECT_EQ(frame.topLeft(), QPointF(0, 0));
    ASSERT_TRUE(xdotool({ QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("100"),
        QStringLiteral("200") }));
    EXPECT_EQ(screens.mouseLocation(), QPointF(100, frame.height() - 200));

    // A second screen above and to the right of the primary, in Qt's space, lies above it here.
    EXPECT_EQ(ScreensDesktop::toDesktop(QRect(1280, -768, 1024, 768), QRect(0, 0, 1280, 1024)),
        QRectF(1280, 1024, 1024, 768));
    // AT-SPI measures in device pixels; on a screen at twice the density they are halved from its origin.
    EXPECT_EQ(AccessibilityDesktop::fromScreenPixels(
                  QRectF(2760, 100, 20, 40), QRect(1280, 0, 1280, 800), 2.0, QRect(0, 0, 1280, 1024)),
        QRectF(2020, 50, 10, 20));
}

TEST(DesktopScreens, PanelsDrawTheirOwnShadowExactlyWhileACompositorRuns)
{
    SKIP_WITHOUT_DISPLAY();
    ScreensDesktop screens;
    EXPECT_FALSE(screens.panelsNeedOwnShadow()) << "nothing blends translucent windows yet";
    QProcess compositor;
    compositor.start(QStringLiteral("xcompmgr"), {});
    if (!compositor.waitForStarted(5000))
        GTEST_SKIP() << "no xcompmgr";
    EXPECT_TRUE(DesktopSession::spinUntil([&] { return screens.panelsNeedOwnShadow(); }));
    compositor.terminate();
    compositor.waitForFinished(5000);
    EXPECT_TRUE(DesktopSession::spinUntil([&] { return !screens.panelsNeedOwnShadow(); }));
}
