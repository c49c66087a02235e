#include "Platform/Desktop/LoginItemServiceDesktop.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class ConfigHome {
public:
    explicit ConfigHome(const QString& path)
        : m_saved(qgetenv("XDG_CONFIG_HOME"))
        , m_wasSet(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", path.toUtf8());
    }
    ~ConfigHome()
    {
        if (m_wasSet)
            qputenv("XDG_CONFIG_HOME", m_saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

private:
    QByteArray m_saved;
    bool m_wasSet;
};

} // namespace

TEST(LoginItemServiceDesktopTest, RegisterWritesTheAutostartEntryAndUnregisterRemovesIt)
{
    TemporaryHome home;
    ConfigHome config(home.path());
    LoginItemServiceDesktop service(QStringLiteral("/opt/Drimo Copy/bin/drimo-copy"));
    const QString path = home.file(QStringLiteral("autostart/com.drimo.copy.desktop"));
    EXPECT_EQ(service.entryPath(), path);
    EXPECT_EQ(service.status(), LoginItemService::Status::NotRegistered);

    EXPECT_TRUE(service.registerApp().ok);
    EXPECT_EQ(service.status(), LoginItemService::Status::Enabled);
    const QByteArray written = TemporaryHome::readFile(path);
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(written.contains("\nExec=\"/opt/Drimo Copy/bin/drimo-copy\"\n")) << written.constData();
    EXPECT_EQ(QDir(home.file(QStringLiteral("autostart"))).entryList(QDir::Files).size(), 1);

    EXPECT_TRUE(service.unregisterApp().ok);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(service.status(), LoginItemService::Status::NotRegistered);
    // Removing what is not there changes nothing and is no failure.
    EXPECT_TRUE(service.unregisterApp().ok);
}

TEST(LoginItemServiceDesktopTest, HiddenEntriesAreOffAndFailuresSayWhy)
{
    TemporaryHome home;
    ConfigHome config(home.path());
    LoginItemServiceDesktop service(QStringLiteral("/usr/bin/drimo-copy"));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("autostart")));
    ASSERT_TRUE(TemporaryHome::writeFile(service.entryPath(),
        "[Desktop Entry]\nExec=drimo-copy\nHidden = true\n[Desktop Action x]\nHidden=false\n"));
    EXPECT_EQ(service.status(), LoginItemService::Status::NotRegistered);
    ASSERT_TRUE(TemporaryHome::writeFile(service.entryPath(), "[Desktop Entry]\nHidden=false\n"));
    EXPECT_EQ(service.status(), LoginItemService::Status::Enabled);

    // A file where the autostart folder should be: nothing can be written, and the reason names it.
    TemporaryHome blocked;
    ConfigHome blockedConfig(blocked.path());
    ASSERT_TRUE(TemporaryHome::writeFile(blocked.file(QStringLiteral("autostart")), "not a folder"));
    const auto result = service.registerApp();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.errorDescription.contains(blocked.file(QStringLiteral("autostart"))))
        << qPrintable(result.errorDescription);
    EXPECT_EQ(TemporaryHome::readFile(blocked.file(QStringLiteral("autostart"))), "not a folder");
}

TEST(LoginItemServiceDesktopTest, ExecLineQuotesWhatTheShellWouldSplit)
{
    EXPECT_TRUE(LoginItemServiceDesktop::entry(QStringLiteral("/usr/bin/drimo-copy"))
                    .contains("\nExec=/usr/bin/drimo-copy\n"));
    EXPECT_TRUE(LoginItemServiceDesktop::entry(QStringLiteral("/a b/100%$x"))
                    .contains("\nExec=\"/a b/100%%\\\\$x\"\n"))
        << LoginItemServiceDesktop::entry(QStringLiteral("/a b/100%$x")).constData();
}
