#include "Screenshots/ScreenshotFiles.h"
#include "Platform/Simulated/StandardPathsSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"
#include "TestSupport/FileSizeLimit.h"
#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// Runs the test in a fixed system time zone and restores the previous one afterwards.
class ScreenshotFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousZone = qgetenv("TZ");
        qputenv("TZ", "Asia/Tokyo");
        tzset();
    }
    void TearDown() override
    {
        if (m_previousZone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_previousZone);
        tzset();
        QLocale::setDefault(QLocale::system());
    }

    TemporaryHome home;
    // 2024-03-07 00:05:31 UTC is 09:05:31 in Tokyo.
    const QDateTime moment = QDateTime(QDate(2024, 3, 7), QTime(0, 5, 31), QTimeZone::utc());

private:
    QByteArray m_previousZone;
};

} // namespace

TEST_F(ScreenshotFilesTest, SystemFolderComesFromTheScreenshotPreferencesOrIsTheDesktop)
{
    UserDefaultsStoreSimulated defaults;
    StandardPathsSimulated paths(home.path());
    const QString domain = QStringLiteral("com.apple.screencapture");

    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.file(QStringLiteral("Desktop")));
    defaults.setValue(domain, QStringLiteral("location"), QString());
    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.file(QStringLiteral("Desktop")));
    defaults.setValue(domain, QStringLiteral("location"), 42);
    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.file(QStringLiteral("Desktop")))
        << "a value that is no string is no location";
    defaults.setValue(domain, QStringLiteral("location"), QStringLiteral("~/Pictures/Shots/"));
    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.file(QStringLiteral("Pictures/Shots")));
    defaults.setValue(domain, QStringLiteral("location"), QStringLiteral("~"));
    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.path());
    defaults.setValue(domain, QStringLiteral("location"), QStringLiteral("/Volumes/Shots"));
    EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), QStringLiteral("/Volumes/Shots"));
    for (const auto* relative : { "~someone/Pictures", "Pictures/Shots", "./Shots" }) {
        defaults.setValue(domain, QStringLiteral("location"), QString::fromUtf8(relative));
        EXPECT_EQ(ScreenshotFiles::systemFolder(defaults, paths), home.file(QStringLiteral("Desktop")))
            << relative << " is no folder the program can place";
    }
    EXPECT_TRUE(defaults.values(UserDefaultsStore::appDomain).empty());
    EXPECT_EQ(defaults.writeCount(QStringLiteral("location"), domain), 8)
        << "only the test wrote, never the lookup";
}

TEST_F(ScreenshotFilesTest, NamesCarryLocalDateAndTimeAndCountFromTwo)
{
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString folder = home.file(QStringLiteral("Shots/2024/March"));
    const QString base = folder + QStringLiteral("/Скриншот 2024-03-07 в 09.05.31");

    QStringList placed;
    for (int i = 0; i < 3; ++i) {
        const QString source = home.file(QStringLiteral("capture-%1.png").arg(i));
        ASSERT_TRUE(TemporaryHome::writeFile(source, QByteArray("png ") + QByteArray::number(i)));
        placed << ScreenshotFiles::move(source, folder, moment).path.value_or(QString());
        EXPECT_FALSE(QFileInfo::exists(source));
    }
    EXPECT_EQ(placed, (QStringList { base + ".png", base + " (2).png", base + " (3).png" }));
    EXPECT_EQ(TemporaryHome::readFile(placed[2]), QByteArray("png 2"));

    const QString written = *ScreenshotFiles::write(QByteArray("edited"), folder, moment).path;
    EXPECT_EQ(written, base + " (4).png");
    EXPECT_EQ(TemporaryHome::readFile(written), QByteArray("edited"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4) << "no temporary file left";

    QFile::remove(placed[0]);
    EXPECT_EQ(ScreenshotFiles::freeUrl(folder, moment), base + ".png") << "a freed name is used again";
}

TEST_F(ScreenshotFilesTest, FailuresSayWhyAndLoseNothing)
{
    const QString blocker = home.file(QStringLiteral("NotAFolder"));
    ASSERT_TRUE(TemporaryHome::writeFile(blocker, "plain file"));
    const QString source = home.file(QStringLiteral("capture.png"));
    ASSERT_TRUE(TemporaryHome::writeFile(source, "png"));

    const auto blocked = ScreenshotFiles::move(source, blocker + "/Sub", moment);
    EXPECT_FALSE(blocked.path);
    EXPECT_EQ(blocked.failure, "cannot create the folder " + blocker + "/Sub");
    EXPECT_EQ(TemporaryHome::readFile(source), QByteArray("png")) << "the source stays where it was";
    EXPECT_FALSE(ScreenshotFiles::write("png", blocker, moment).path);
    EXPECT_EQ(TemporaryHome::readFile(blocker), QByteArray("plain file"));
    EXPECT_FALSE(ScreenshotFiles::move(home.file(QStringLiteral("missing.png")), home.path(), moment).path);

    const QString readOnly = home.file(QStringLiteral("ReadOnly"));
    ASSERT_TRUE(QDir().mkpath(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(readOnly).isWritable()) { // root may write anywhere
        EXPECT_TRUE(ScreenshotFiles::write("png", readOnly, moment).failure.startsWith("cannot write "));
        EXPECT_FALSE(ScreenshotFiles::move(source, readOnly, moment).path);
        EXPECT_TRUE(QFileInfo::exists(source));
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// On Linux the capture waits in the runtime folder, a tmpfs: the move into the folder on disk is a copy,
// and the disk may fill during it.
TEST_F(ScreenshotFilesTest, AMoveAcrossFileSystemsThatFillsTheDiskLeavesNoPartialFile)
{
    QTemporaryDir memory(QStringLiteral("/dev/shm/drimo-files-XXXXXX"));
    if (!memory.isValid())
        GTEST_SKIP() << "no /dev/shm";
    const QString source = memory.filePath(QStringLiteral("capture.png"));
    const QByteArray png(256 * 1024, 'p');
    ASSERT_TRUE(TemporaryHome::writeFile(source, png));
    const QString folder = home.file(QStringLiteral("Shots"));

    {
        const FileSizeLimit full(64 * 1024);
        ASSERT_TRUE(full.active());
        EXPECT_TRUE(ScreenshotFiles::move(source, folder, moment).failure.startsWith("cannot copy "));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(TemporaryHome::readFile(source), png);

    const QString moved = ScreenshotFiles::move(source, folder, moment).path.value_or(QString());
    EXPECT_EQ(TemporaryHome::readFile(moved), png);
    EXPECT_FALSE(QFileInfo::exists(source));
}
