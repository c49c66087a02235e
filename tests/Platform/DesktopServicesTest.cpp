#include "Platform/Desktop/BundleInfoDesktop.h"
#include "Platform/Desktop/SystemLogDesktop.h"
#include "Support/AppRelauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

TEST(DesktopServicesTest, BundleInfoNamesTheRunningExecutable)
{
    const BundleInfoDesktop bundle(QStringLiteral("2.3.1"));
    EXPECT_EQ(bundle.shortVersion(), std::optional(QStringLiteral("2.3.1")));
    EXPECT_EQ(bundle.bundlePath(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(bundle.processIdentifier(), static_cast<long long>(getpid()));

    const QString saved = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(BundleInfoDesktop().shortVersion(), std::nullopt);
    QCoreApplication::setApplicationVersion(QStringLiteral("9.9"));
    EXPECT_EQ(BundleInfoDesktop().shortVersion(), std::optional(QStringLiteral("9.9")));
    QCoreApplication::setApplicationVersion(saved);
}

TEST(DesktopServicesTest, RelaunchCommandStartsAPathWithSpacesAndQuotes)
{
    // The relauncher's script with our launch command must start exactly the file given.
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("it's a \"tool\" $HOME"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho started\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QStringList arguments = AppRelauncher::arguments(script, BundleInfoDesktop().launchCommand());
    arguments[1].replace(QStringLiteral("sleep 1; "), QString());
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), arguments);
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(shell.readAllStandardOutput(), "started\n");
}

TEST(DesktopServicesTest, SystemLogCopiesTheLineToStandardErrorVerbatim)
{
    SystemLogDesktop log;
    testing::internal::CaptureStderr();
    log.write(QStringLiteral("Drimo Copy: вход %s %n 100%"));
    std::fflush(stderr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Drimo Copy: вход %s %n 100%\n");
}
