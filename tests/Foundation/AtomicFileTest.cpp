#include "Foundation/AtomicFile.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(AtomicFile, ReplacesWholeAndLeavesNothingBehindOnFailure)
{
    TemporaryHome home;
    const QString path = home.file(QStringLiteral("index.json"));
    ASSERT_TRUE(AtomicFile::write(path, "first version, rather long"));
    ASSERT_TRUE(AtomicFile::write(path, "second"));
    EXPECT_EQ(TemporaryHome::readFile(path), "second");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("index.json") });

    QFileInfo info(path);
    EXPECT_TRUE(info.permissions() & QFileDevice::ReadOwner);

    EXPECT_FALSE(AtomicFile::write(home.file(QStringLiteral("missing/folder/x")), "x"));

    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(home.path()).constData(), 0500);
        EXPECT_FALSE(AtomicFile::write(path, "third"));
        ::chmod(QFile::encodeName(home.path()).constData(), 0700);
        EXPECT_EQ(TemporaryHome::readFile(path), "second");
    }

    // Contents made in pieces arrive whole; a producer that gives up midway changes nothing.
    const auto pieces = [](int count, bool finish) {
        return [count, finish](const AtomicFile::Sink& sink) {
            for (int i = 0; i < count; ++i)
                if (!sink(QByteArray::number(i) + ' '))
                    return false;
            return finish;
        };
    };
    ASSERT_TRUE(AtomicFile::write(path, pieces(3, true)));
    EXPECT_EQ(TemporaryHome::readFile(path), "0 1 2 ");
    EXPECT_FALSE(AtomicFile::write(path, pieces(5, false)));
    EXPECT_EQ(TemporaryHome::readFile(path), "0 1 2 ");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("index.json") });
}
