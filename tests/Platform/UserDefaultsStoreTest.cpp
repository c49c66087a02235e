#include "Platform/Desktop/UserDefaultsStoreDesktop.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(UserDefaultsStoreDesktop, KeepsKindsAcrossProcessesAndWritesAtomically)
{
    TemporaryHome home;
    const QString folder = home.file(QStringLiteral("config/com.drimo.copy"));
    {
        UserDefaultsStoreDesktop store(folder);
        store.set(QStringLiteral("historyLimit"), 0);
        store.set(QStringLiteral("holdDelay"), 1.0);
        store.set(QStringLiteral("paused"), true);
        store.set(QStringLiteral("screenshotFolder"), QStringLiteral("~/Снимки"));
        store.set(QStringLiteral("updates.lastCheck"), DefaultsValue::Date { 786'297'600.25 });
        store.set(QStringLiteral("blob"), QByteArray("\x01\x02", 2));
        store.setValue(
            QStringLiteral("com.apple.screencapture"), QStringLiteral("location"), QStringLiteral("~/S"));
        store.set(QStringLiteral("gone"), 1);
        store.removeValue(UserDefaultsStore::appDomain, QStringLiteral("gone"));
    }
    UserDefaultsStoreDesktop reread(folder);
    EXPECT_EQ(reread.object(QStringLiteral("historyLimit"))->kind(), DefaultsValue::Kind::Integer);
    EXPECT_EQ(reread.object(QStringLiteral("holdDelay"))->kind(), DefaultsValue::Kind::Double);
    EXPECT_EQ(reread.object(QStringLiteral("holdDelay"))->asDouble(), 1.0);
    EXPECT_TRUE(reread.boolValue(QStringLiteral("paused")));
    EXPECT_EQ(reread.stringValue(QStringLiteral("screenshotFolder")), QStringLiteral("~/Снимки"));
    EXPECT_EQ(
        reread.object(QStringLiteral("updates.lastCheck"))->asDate()->secondsSinceReference, 786'297'600.25);
    EXPECT_EQ(reread.object(QStringLiteral("blob"))->asData(), QByteArray("\x01\x02", 2));
    EXPECT_EQ(reread.value(QStringLiteral("com.apple.screencapture"), QStringLiteral("location"))->asString(),
        QStringLiteral("~/S"));
    EXPECT_FALSE(reread.object(QStringLiteral("gone")));
    EXPECT_FALSE(reread.boolValue(QStringLiteral("absent")));
    EXPECT_FALSE(reread.stringValue(QStringLiteral("absent")));
}

TEST(UserDefaultsStoreDesktop, UnreadableFileIsKeptAsideNotLost)
{
    TemporaryHome home;
    const QString folder = home.file(QStringLiteral("cfg"));
    UserDefaultsStoreDesktop probe(folder);
    const QString path = probe.filePath(UserDefaultsStore::appDomain);
    ASSERT_TRUE(TemporaryHome::writeFile(path, "{\"paused\": tru"));

    UserDefaultsStoreDesktop store(folder);
    EXPECT_FALSE(store.object(QStringLiteral("paused")));
    store.set(QStringLiteral("paused"), false);
    EXPECT_EQ(TemporaryHome::readFile(path + QStringLiteral(".unreadable")), "{\"paused\": tru");
    EXPECT_EQ(UserDefaultsStoreDesktop(folder).object(QStringLiteral("paused"))->asBoolean(), false);

    // One that cannot even be opened (a folder in its place here; a file of another owner for a user) too.
    const QString other = QStringLiteral("other.domain");
    const QString otherPath = probe.filePath(other);
    ASSERT_TRUE(QDir().mkpath(otherPath + QStringLiteral("/inside")));
    UserDefaultsStoreDesktop(folder).setValue(other, QStringLiteral("key"), DefaultsValue(true));
    EXPECT_TRUE(QFileInfo(otherPath + QStringLiteral(".unreadable/inside")).isDir());
    EXPECT_EQ(UserDefaultsStoreDesktop(folder).value(other, QStringLiteral("key")), DefaultsValue(true));

    // A FIFO in its place never hangs the start, and is set aside like any other unreadable file.
    const QString fifoDomain = QStringLiteral("fifo.domain");
    const QString fifoPath = probe.filePath(fifoDomain);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoPath).constData(), 0600), 0);
    UserDefaultsStoreDesktop(folder).setValue(fifoDomain, QStringLiteral("key"), DefaultsValue(true));
    EXPECT_EQ(UserDefaultsStoreDesktop(folder).value(fifoDomain, QStringLiteral("key")), DefaultsValue(true));

    EXPECT_TRUE(probe.filePath(QStringLiteral("../evil")).startsWith(folder + u'/'));
    EXPECT_FALSE(probe.filePath(QStringLiteral("../evil")).contains(QStringLiteral("/../")));
}
