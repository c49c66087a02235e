#include "Clipboard/HistorySaver.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

// Changes made while the worker writes are coalesced into one write of the newest list, and a folder given
// up goes only once an index without it is on disk.
TEST(HistorySaver, WritesTheNewestListAndRemovesFoldersOnlyAfterIt)
{
    TemporaryHome home;
    const QString doomed = home.file(QStringLiteral("doomed"));
    QDir().mkpath(doomed);
    const auto list = [](const QString& preview) {
        ClipboardItem item;
        item.preview = preview;
        return QList<ClipboardItem> { item };
    };
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    QStringList written;
    QList<bool> doomedWhenWritten;
    {
        HistorySaver saver(HistorySaver::Mode::Background, [&](const QList<ClipboardItem>& items) {
            std::unique_lock lock(mutex);
            written.append(items.front().preview);
            doomedWhenWritten.append(QFileInfo::exists(doomed));
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
            return true;
        });
        saver.save(list(QStringLiteral("a")), {});
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !written.empty(); });
        }
        saver.save(list(QStringLiteral("b")), { doomed });
        saver.save(list(QStringLiteral("c")), {});
        EXPECT_TRUE(QFileInfo::exists(doomed));
        {
            std::unique_lock lock(mutex);
            released = true;
        }
        changed.notify_all();
        saver.flush();
        EXPECT_EQ(written, (QStringList { u"a"_qs, u"c"_qs }));
        EXPECT_EQ(doomedWhenWritten, (QList<bool> { true, true }));
        EXPECT_FALSE(QFileInfo::exists(doomed));
        saver.save(list(QStringLiteral("d")), {});
    }
    EXPECT_EQ(written.back(), u"d"_qs) << "written before the saver is gone";
}
