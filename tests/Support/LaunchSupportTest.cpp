#include "Foundation/VirtualScheduler.h"
#include "Platform/Simulated/AccessibilitySimulated.h"
#include "Platform/Simulated/ApplicationLifecycleSimulated.h"
#include "Platform/Simulated/BundleInfoSimulated.h"
#include "Platform/Simulated/LoginItemServiceSimulated.h"
#include "Platform/Simulated/ProcessesSimulated.h"
#include "Platform/Simulated/SystemLogSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "Support/AppInfo.h"
#include "Support/AppRelauncher.h"
#include "Support/LoginItem.h"
#include "Support/Permissions.h"

#include <QProcess>

#include <gtest/gtest.h>

TEST(AppRelauncherTest, PassesThePathWholeAndQuitsEvenWhenTheShellCannotStart)
{
    VirtualScheduler scheduler;
    ProcessesSimulated processes(scheduler);
    BundleInfoSimulated bundle;
    ApplicationLifecycleSimulated lifecycle;
    const QString path = QStringLiteral("/Applications/My \"Drimo\" Copy.app");
    AppRelauncher::relaunch(path, processes, bundle, lifecycle);

    ASSERT_EQ(processes.started().size(), 1u);
    EXPECT_EQ(processes.started()[0].program, QStringLiteral("/bin/sh"));
    EXPECT_EQ(processes.started()[0].arguments,
        QStringList({ QStringLiteral("-c"), QStringLiteral("sleep 1; open \"$1\""),
            QStringLiteral("drimocopy-relaunch"), path }));
    EXPECT_TRUE(processes.started()[0].detached) << "a child of ours would die with us during its sleep";
    EXPECT_EQ(lifecycle.terminationCount(), 1);

    // The real shell hands the path to the launcher as one argument, quotes and spaces included.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\""), QStringLiteral("drimocopy-relaunch"),
            path });
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), path);
}

TEST(LoginItemTest, RegistersAndLogsOnlyFailuresInFixedWords)
{
    LoginItemServiceSimulated service;
    SystemLogSimulated log;
    LoginItem::set(true, service, log);
    EXPECT_TRUE(LoginItem::isEnabled(service));
    service.nextChangeFails(QStringLiteral("Operation not permitted"));
    LoginItem::set(true, service, log);
    EXPECT_EQ(
        service.calls(), QStringList({ QStringLiteral("register ok"), QStringLiteral("register failed") }));
    EXPECT_EQ(log.lines(),
        QStringList { QStringLiteral("Drimo Copy: login item change failed: Operation not permitted") });
    EXPECT_TRUE(LoginItem::isEnabled(service));

    LoginItem::set(false, service, log);
    EXPECT_FALSE(LoginItem::isEnabled(service));
    EXPECT_EQ(log.lines().size(), 1);
}

TEST(AppInfoTest, VersionFallsBackToQuestionMark)
{
    BundleInfoSimulated bundle;
    bundle.setShortVersion(QStringLiteral("2.3.1"));
    EXPECT_EQ(AppInfo::version(bundle), QStringLiteral("2.3.1"));
    bundle.setShortVersion(std::nullopt);
    EXPECT_EQ(AppInfo::version(bundle), QStringLiteral("?"));
}

TEST(PermissionsTest, PromptsOnceAndOpensTheAccessibilityPane)
{
    AccessibilitySimulated accessibility;
    WorkspaceSimulated workspace;
    Permissions::requestAccessibility(accessibility, workspace);
    EXPECT_EQ(accessibility.trustPrompts(), 1);
    ASSERT_EQ(workspace.openedUrls().size(), 1);
    EXPECT_EQ(workspace.openedUrls()[0].toString(),
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
}
