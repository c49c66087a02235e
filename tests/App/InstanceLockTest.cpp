#include "App/InstanceLock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

TEST(InstanceLockTest, OneHolderAtATimeAndTheLockGoesWithItsHolder)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("data/com.drimo.copy"));
    auto first = std::make_unique<InstanceLock>(folder);
    ASSERT_EQ(first->acquire(), InstanceLock::Outcome::Held) << first->errorString().toStdString();
    EXPECT_EQ(first->acquire(), InstanceLock::Outcome::Held) << "taking it again keeps it";
    EXPECT_TRUE(QFile::exists(first->filePath()));

    InstanceLock second(folder);
    EXPECT_EQ(second.acquire(), InstanceLock::Outcome::HeldElsewhere);
    first.reset();
    EXPECT_EQ(second.acquire(), InstanceLock::Outcome::Held);

    // A data folder that cannot exist says so instead of pretending to hold anything.
    QFile file(home.filePath(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    InstanceLock blocked(file.fileName() + QStringLiteral("/com.drimo.copy"));
    EXPECT_EQ(blocked.acquire(), InstanceLock::Outcome::Unavailable);
    EXPECT_FALSE(blocked.errorString().isEmpty());
}
