#include "Platform/Desktop/BundleInfoDesktop.h"
#include "Platform/Desktop/StandardPathsDesktop.h"
#include "Platform/Desktop/SystemLogDesktop.h"
#include "Support/AppRelauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
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

// Screenshots pass through the temporary folder: it must be the user's alone, never the shared /tmp as is.
TEST(DesktopServicesTest, TheTemporaryFolderIsPrivateWhereverItIsMade)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tmpBefore = qgetenv("TMPDIR");
    const auto mode = [](const QString& path) {
        struct stat info { };
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    };
    StandardPathsDesktop paths;

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("run"))));
    QDir().mkpath(root.filePath(QStringLiteral("run")));
    qputenv("TMPDIR", QFile::encodeName(root.filePath(QStringLiteral("shared"))));
    QDir().mkpath(root.filePath(QStringLiteral("shared")));
    EXPECT_EQ(paths.temporary(), root.filePath(QStringLiteral("run/drimo-copy")));
    EXPECT_EQ(mode(paths.temporary()), 0700);
    // Removed by a cleaner: made again.
    QDir(paths.temporary()).removeRecursively();
    EXPECT_EQ(mode(paths.temporary()), 0700);

    // Without a runtime folder: a folder of ours, named for the user, in the shared one.
    qunsetenv("XDG_RUNTIME_DIR");
    const QString named = root.filePath(QStringLiteral("shared/drimo-copy-%1").arg(::geteuid()));
    EXPECT_EQ(paths.temporary(), named);
    EXPECT_EQ(mode(named), 0700);

    // Someone else's link or a folder others may enter under that name is never used.
    QDir(named).removeRecursively();
    const QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QFile::link(elsewhere, named));
    const QString fresh = paths.temporary();
    EXPECT_NE(fresh, named);
    EXPECT_TRUE(fresh.startsWith(root.filePath(QStringLiteral("shared/drimo-copy-"))));
    EXPECT_EQ(mode(fresh), 0700);
    EXPECT_EQ(paths.temporary(), fresh) << "the fresh folder is kept";
    QFile::remove(named);
    ASSERT_TRUE(QDir().mkdir(named));
    ::chmod(QFile::encodeName(named).constData(), 0777);
    EXPECT_NE(paths.temporary(), named);

    qputenv("TMPDIR", tmpBefore);
    if (runtimeBefore.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", runtimeBefore);
}
