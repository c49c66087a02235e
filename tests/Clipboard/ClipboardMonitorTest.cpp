#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/Paster.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "Support/AppSettings.h"

#include "TestSupport/HistoryPreviews.h"
#include "TestSupport/TemporaryHome.h"
#include "TestSupport/TestImages.h"
#include "TestSupport/UserCopies.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace {

// Virtual time, but the work sent off the main thread waits until the test ends it, in any order.
class HeldScheduler final : public Scheduler {
public:
    TaskHandle after(double seconds, Continuation continuation) override
    {
        return clock.after(seconds, std::move(continuation));
    }
    void background(std::function<void()> work, std::function<void()> done) override
    {
        held.push_back({ std::move(work), std::move(done) });
    }
    double now() const override { return clock.now(); }
    double currentDate() const override { return clock.currentDate(); }

    // Ends the held work with this index; its result reaches the main thread on the next turn.
    void end(std::size_t index)
    {
        held.at(index).first();
        clock.post(std::move(held.at(index).second));
    }

    VirtualScheduler clock;
    std::vector<std::pair<std::function<void()>, std::function<void()>>> held;
};

// Every file under the history's folder but the index, by path below it, with its bytes.
std::map<QString, QByteArray> entryFiles(const ClipboardHistory& history)
{
    std::map<QString, QByteArray> files;
    for (const ClipboardItem& item : history.items()) {
        const QDir folder(history.entryFolder(item));
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            files[item.preview + u'/' + name] = TemporaryHome::readFile(folder.filePath(name));
    }
    return files;
}

QStringList folderNames(const ClipboardHistory& history)
{
    return QDir(history.directory()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

class ClipboardMonitorTest : public ::testing::Test {
protected:
    ClipboardMonitorTest()
        : history(home.file(QStringLiteral("History")), scheduler)
        , settings(defaults)
    {
        workspace.setFrontmost(QStringLiteral("com.apple.TextEdit"));
    }

    TemporaryHome home;
    VirtualScheduler scheduler;
    PasteboardSimulated pasteboard;
    WorkspaceSimulated workspace;
    UserDefaultsStoreSimulated defaults;
    ClipboardHistory history;
    AppSettings settings;
};

} // namespace

// Private copies and paused recording are the private-markers and pause scenarios'.
TEST_F(ClipboardMonitorTest, RecordsEachNewCopyWithTheFrontApplicationButNotWhatWasThereAtLaunch)
{
    copyText(pasteboard, "there before launch");
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    EXPECT_EQ(monitor.lastChangeCount(), pasteboard.changeCount());
    monitor.start();
    scheduler.advance(1);
    EXPECT_TRUE(history.items().empty());

    copyText(pasteboard, "one");
    scheduler.advance(0.4);
    ASSERT_EQ(previewsOf(history), QStringList { u"one"_qs });
    EXPECT_EQ(history.items()[0].sourceBundleID, QStringLiteral("com.apple.TextEdit"));

    // Two copies inside one interval: only the later is seen.
    copyText(pasteboard, "two");
    workspace.setNoFrontmost();
    copyText(pasteboard, "three");
    scheduler.advance(0.4);
    EXPECT_EQ(previewsOf(history), (QStringList { u"three"_qs, u"one"_qs }));
    EXPECT_FALSE(history.items()[0].sourceBundleID);
}

// The program's own write of a chosen entry not being recorded again is the paste road scenario's.
TEST_F(ClipboardMonitorTest, AScreenshotTheProgramCopiesIsRecordedAsAnOrdinaryCopy)
{
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    monitor.start();
    Paster::copyImage(TestImages::png(8, 6), pasteboard);
    scheduler.advance(0.4);
    ASSERT_EQ(history.items().size(), 1u);
    EXPECT_EQ(history.items()[0].kind, ClipboardItem::Kind::Image);
}

TEST_F(ClipboardMonitorTest, StartingAgainKeepsOneLoopAndStoppingLeavesNoTask)
{
    {
        ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
        monitor.start();
        monitor.start();
        scheduler.advance(0.01);
        EXPECT_EQ(scheduler.pendingCount(), 1u);
        scheduler.advance(4);
        EXPECT_EQ(scheduler.pendingCount(), 1u);
        monitor.stop();
        scheduler.runDue();
        EXPECT_EQ(scheduler.pendingCount(), 0u);
        monitor.start();
    }
    scheduler.advance(1);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "a destroyed monitor's loop ends";
}

TEST_F(ClipboardMonitorTest, ACopyIsRecordedOnceItHasArrivedAndNeverWhenItIsGivenUp)
{
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    monitor.start();
    PasteboardItem text;
    text.setData(PasteboardTypes::plainText, "slow");
    pasteboard.userCopyArriving({ text }, scheduler, 0.6);
    scheduler.advance(0.4);
    EXPECT_TRUE(history.items().empty());
    EXPECT_NE(monitor.lastChangeCount(), pasteboard.changeCount()) << "the change waits for its contents";
    scheduler.advance(0.4);
    EXPECT_EQ(previewsOf(history), QStringList { u"slow"_qs });

    // An owner that never answers, with text and an image announced: nothing is recorded, and the next
    // ordinary copy is recorded on its own.
    PasteboardItem announced;
    announced.setData(PasteboardTypes::plainText, "never");
    announced.setData(PasteboardTypes::png, TestImages::png(4, 4));
    pasteboard.userCopyArriving({ announced }, scheduler, std::nullopt);
    scheduler.advance(2);
    EXPECT_EQ(history.items().size(), 1u);
    EXPECT_EQ(monitor.lastChangeCount(), pasteboard.changeCount());
    pasteboard.userCopyArriving({ announced }, scheduler, std::nullopt);
    scheduler.advance(0.4);
    copyText(pasteboard, "second");
    scheduler.advance(2);
    EXPECT_EQ(previewsOf(history), (QStringList { u"second"_qs, u"slow"_qs }));
    EXPECT_EQ(history.items()[0].kind, ClipboardItem::Kind::Text);

    // While paused a change is consumed at once, arrived or not.
    settings.setPaused(true);
    pasteboard.userCopyArriving({ text }, scheduler, 0.5);
    scheduler.advance(0.4);
    EXPECT_EQ(monitor.lastChangeCount(), pasteboard.changeCount());
}

TEST_F(ClipboardMonitorTest, RecordingOnAWorkerThreadGivesTheEntriesAndFilesOfRecordingDirectly)
{
    EventLoopScheduler realScheduler;
    ClipboardHistory recorded(home.file(QStringLiteral("Recorded")), realScheduler);
    ClipboardMonitor monitor(recorded, settings, pasteboard, workspace, realScheduler);
    PasteboardItem text;
    text.setData(PasteboardTypes::plainText, "words");
    text.setData(PasteboardTypes::html, "<b>words</b>");
    const PasteboardItem picture = Paster::imageItem(TestImages::png(300, 200));
    const std::vector<PasteboardItem> copies[] = { { picture }, { text }, { picture } };
    for (const auto& copy : copies) {
        pasteboard.userCopy(copy);
        monitor.poll();
        history.add(*PasteboardCapture::read(pasteboard), QStringLiteral("com.apple.TextEdit"));
    }
    QEventLoop loop;
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (recorded.items().size() == 2 && recorded.items()[0].kind == ClipboardItem::Kind::Image)
            loop.quit();
    });
    ticker.start(1);
    loop.exec();

    ASSERT_EQ(previewsOf(recorded), previewsOf(history));
    for (qsizetype i = 0; i < history.items().size(); ++i) {
        const ClipboardItem& expected = history.items()[i];
        const ClipboardItem& actual = recorded.items()[i];
        EXPECT_EQ(actual.kind, expected.kind);
        EXPECT_EQ(actual.fingerprint, expected.fingerprint);
        EXPECT_EQ(actual.itemTypes, expected.itemTypes);
        EXPECT_EQ(actual.sourceBundleID, expected.sourceBundleID);
    }
    EXPECT_EQ(entryFiles(recorded), entryFiles(history));
    EXPECT_EQ(folderNames(recorded).size(), 2) << "the repeated picture left no folder behind";
}

TEST_F(ClipboardMonitorTest, CopiesAreListedInTheOrderCopiedWhicheverWorkEndsFirst)
{
    HeldScheduler held;
    ClipboardHistory recorded(home.file(QStringLiteral("Recorded")), held);
    ClipboardMonitor monitor(recorded, settings, pasteboard, workspace, held);
    const QByteArray picture = TestImages::png(400, 300);
    Paster::copyImage(picture, pasteboard);
    monitor.poll();
    copyText(pasteboard, "small");
    monitor.poll();
    // The same picture again, while the first is still in flight: it moves that entry up, as a repeat does.
    Paster::copyImage(picture, pasteboard);
    monitor.poll();
    ASSERT_EQ(held.held.size(), 3u);

    held.end(2);
    held.end(1);
    held.clock.runDue();
    EXPECT_TRUE(recorded.items().empty()) << "nothing is listed before the copies made earlier";
    held.end(0);
    held.clock.runDue();
    ASSERT_EQ(recorded.items().size(), 2u);
    EXPECT_EQ(recorded.items()[0].kind, ClipboardItem::Kind::Image);
    EXPECT_EQ(recorded.items()[1].preview, QStringLiteral("small"));
    EXPECT_EQ(folderNames(recorded).size(), 2);

    // A clear made after a copy takes that copy with it, even while it is still being recorded.
    copyText(pasteboard, "cleared");
    monitor.poll();
    recorded.clear();
    held.end(3);
    held.clock.runDue();
    EXPECT_TRUE(recorded.items().empty());
    EXPECT_TRUE(folderNames(recorded).empty());
}

TEST_F(ClipboardMonitorTest, ARepeatOfAnEntryRemovedWhileItWasInFlightIsRecordedWithItsFiles)
{
    HeldScheduler held;
    ClipboardHistory recorded(home.file(QStringLiteral("Recorded")), held);
    copyText(pasteboard, "again");
    recorded.add(*PasteboardCapture::read(pasteboard), std::nullopt);
    ClipboardMonitor monitor(recorded, settings, pasteboard, workspace, held);
    copyText(pasteboard, "again");
    monitor.poll();
    recorded.remove(recorded.items()[0]);
    held.end(0);
    held.clock.runDue();
    ASSERT_EQ(previewsOf(recorded), QStringList { u"again"_qs });
    EXPECT_EQ(
        TemporaryHome::readFile(recorded.entryFolder(recorded.items()[0]) + QStringLiteral("/0-0")), "again");

    // A monitor gone before its work ends lists nothing, and the staging folder goes at the next load.
    copyText(pasteboard, "late");
    {
        ClipboardMonitor gone(recorded, settings, pasteboard, workspace, held);
        copyText(pasteboard, "late");
        gone.poll();
    }
    held.end(1);
    held.clock.runDue();
    EXPECT_EQ(recorded.items().size(), 1u);
    EXPECT_EQ(ClipboardHistory(recorded.directory(), held).items().size(), 1u);
    EXPECT_EQ(folderNames(recorded).size(), 1);
}
