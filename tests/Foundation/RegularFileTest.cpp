#include "Foundation/RegularFile.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

TEST(RegularFile, ReadsOnlyRegularFilesWithinTheBoundAndNeverWaits)
{
    TemporaryHome home;
    const QString plain = home.file(QStringLiteral("plain"));
    ASSERT_TRUE(TemporaryHome::writeFile(plain, "twelve bytes"));
    EXPECT_EQ(RegularFile::bytes(plain, 12), QByteArray("twelve bytes"));
    EXPECT_EQ(RegularFile::read(plain, 11).status, RegularFile::Status::Unreadable)
        << "one byte past the bound";
    const QString empty = home.file(QStringLiteral("empty"));
    ASSERT_TRUE(TemporaryHome::writeFile(empty, {}));
    EXPECT_EQ(RegularFile::bytes(empty, 10), QByteArray());
    EXPECT_EQ(
        RegularFile::read(home.file(QStringLiteral("absent")), 10).status, RegularFile::Status::Missing);

    // A FIFO nobody writes to would block a plain open forever.
    const QString fifo = home.file(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(native(fifo).constData(), 0600), 0);
    EXPECT_EQ(RegularFile::read(fifo, 1000).status, RegularFile::Status::Unreadable);
    EXPECT_EQ(
        RegularFile::read(fifo, 1000, RegularFile::Links::Follow).status, RegularFile::Status::Unreadable);

    EXPECT_EQ(RegularFile::read(home.path(), 1 << 20).status, RegularFile::Status::Unreadable) << "a folder";

    // Two gigabytes that cost nothing on disk must not be read at all.
    const QString sparse = home.file(QStringLiteral("sparse"));
    const int fd = ::open(native(sparse).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 2LL * 1024 * 1024 * 1024), 0);
    ::close(fd);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(RegularFile::read(sparse, 64 * 1024 * 1024).status, RegularFile::Status::Unreadable);
    EXPECT_LT(timer.elapsed(), 1000);

    const QString link = home.file(QStringLiteral("link"));
    ASSERT_EQ(::symlink(native(plain).constData(), native(link).constData()), 0);
    EXPECT_EQ(RegularFile::read(link, 100).status, RegularFile::Status::Unreadable);
    EXPECT_EQ(RegularFile::bytes(link, 100, RegularFile::Links::Follow), QByteArray("twelve bytes"));
}
