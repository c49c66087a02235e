#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/Paster.h"
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

#include <gtest/gtest.h>

namespace {

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

    // A private copy is consumed without a trace.
    PasteboardItem secret;
    secret.setData(PasteboardTypes::plainText, "hunter2");
    secret.setData(QStringLiteral("org.nspasteboard.ConcealedType"), "");
    pasteboard.userCopy({ secret });
    scheduler.advance(0.4);
    EXPECT_EQ(history.items().size(), 2u);
    EXPECT_EQ(monitor.lastChangeCount(), pasteboard.changeCount());
}

TEST_F(ClipboardMonitorTest, PausedCopiesAreConsumedAndNeverRecordedLater)
{
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    monitor.start();
    settings.setPaused(true);
    copyText(pasteboard, "while paused");
    scheduler.advance(0.4);
    settings.setPaused(false);
    scheduler.advance(2);
    EXPECT_TRUE(history.items().empty());
    copyText(pasteboard, "after");
    scheduler.advance(0.4);
    EXPECT_EQ(previewsOf(history), QStringList { u"after"_qs });
}

TEST_F(ClipboardMonitorTest, OwnWritesAreSkippedOnlyWhenTheirChangeCountIsHandedOver)
{
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    monitor.start();
    copyText(pasteboard, "entry");
    scheduler.advance(0.4);
    const auto written = Paster::write(history.items()[0], history, pasteboard);
    ASSERT_TRUE(written);
    monitor.setLastChangeCount(*written);
    scheduler.advance(0.4);
    EXPECT_EQ(history.items().size(), 1u);

    Paster::copyImage(TestImages::png(8, 6), pasteboard);
    scheduler.advance(0.4);
    ASSERT_EQ(history.items().size(), 2u) << "a screenshot the app copies is an ordinary copy";
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
