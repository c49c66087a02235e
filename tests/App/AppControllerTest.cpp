#include "App/AppController.h"
#include "Clipboard/ClipboardMonitor.h"
#include "ControllerHarness.h"
#include "Picker/HistoryPickerView.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class AppControllerTest : public ::testing::Test, public ControllerHarness {
protected:
    std::vector<KeyEvent> postedKeys() const
    {
        std::vector<KeyEvent> keys;
        for (const auto& delivery : keyboard.deliveries())
            if (delivery.posted)
                keys.push_back(delivery.event);
        return keys;
    }
    QWidget* onboarding() { return app().windows().window(AppWindows::onboardingKey); }
};

// What the user sees of the grant is the onboarding scenario's; here, that the watch ends with it.
TEST_F(AppControllerTest, ThePermissionWatchEndsWithTheGrant)
{
    auto& controller = app();
    controller.start();
    EXPECT_TRUE(controller.isPermissionWatchRunning());
    setTrusted(true);
    scheduler.advance(2);
    EXPECT_TRUE(controller.holdMonitor().isRunning());
    EXPECT_FALSE(controller.isPermissionWatchRunning());
}

TEST_F(AppControllerTest, FailingTapAsksForRestartOnceWithoutWatching)
{
    setTrusted(true);
    keyboard.setTapCreationFails(true);
    auto& controller = app();
    QSignalSpy restart(&controller, &AppController::needsRestartChanged);
    controller.start();
    EXPECT_TRUE(controller.needsRestart());
    EXPECT_FALSE(controller.isPermissionWatchRunning());
    controller.applyHoldKeys();
    EXPECT_EQ(restart.count(), 1);
}

TEST_F(AppControllerTest, WithoutPermissionOrDataAPasteGoesOnlyAsFarAsItCan)
{
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "first");
    scheduler.advance(0.4);
    copyText(pasteboard, "second");
    scheduler.advance(0.4);

    controller.showHistory();
    controller.picker().model().move(1);
    controller.picker().chooseSelected();
    scheduler.advance(1);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), QByteArray("first"));
    EXPECT_EQ(controller.history().items()[0].preview, QStringLiteral("first"));
    EXPECT_TRUE(postedKeys().empty());

    // An entry whose files have gone cannot be written: nothing moves.
    const auto second = controller.history().items()[1];
    QDir(controller.history().entryFolder(second)).removeRecursively();
    const auto changeCount = pasteboard.changeCount();
    controller.showHistory();
    controller.picker().model().move(1);
    controller.picker().chooseSelected();
    EXPECT_EQ(pasteboard.changeCount(), changeCount);
    EXPECT_EQ(controller.history().items()[1].id, second.id);
}

// A Wayland session: no tap to ask anyone for, and where nothing can type the paste, the chosen entry waits
// on the pasteboard and the picker says so, the first time.
TEST_F(AppControllerTest, WithoutTapOrPostingTheEntryWaitsOnThePasteboardAndThePickerSaysSoOnce)
{
    setTrusted(true);
    keyboard.setOffers(false, false);
    auto& controller = app();
    controller.start();
    EXPECT_FALSE(controller.holdMonitor().isRunning());
    EXPECT_FALSE(controller.needsRestart());
    EXPECT_FALSE(onboarding() && onboarding()->isVisible());
    copyText(pasteboard, "first");
    scheduler.advance(0.4);
    copyText(pasteboard, "second");
    scheduler.advance(0.4);

    controller.showHistory();
    EXPECT_TRUE(controller.picker().view()->footer()->text().startsWith(
        QStringLiteral("Выбранное окажется в буфере обмена — вставьте его сами: ")));
    controller.picker().model().move(1);
    controller.picker().chooseSelected();
    scheduler.advance(1);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), QByteArray("first"));
    EXPECT_TRUE(postedKeys().empty());
    controller.showHistory();
    EXPECT_TRUE(controller.picker().view()->footer()->text().endsWith(QStringLiteral("Esc закрыть")));
}

TEST_F(AppControllerTest, TheScreenshotFolderChangesOnlyWhenTheUserPicksOne)
{
    auto& controller = app();
    const QString before = controller.settings().screenshotFolderPath(paths);
    const QString chosen = home.path() + QStringLiteral("/Снимки экрана %");

    alerts.queueFolder(std::nullopt);
    controller.chooseScreenshotFolder();
    EXPECT_EQ(controller.settings().screenshotFolder(), QString());
    ASSERT_EQ(alerts.folderChoices().size(), 1u);
    EXPECT_EQ(alerts.folderChoices().back().title, QStringLiteral("Выбрать"));
    EXPECT_EQ(alerts.folderChoices().back().directory, before);
    EXPECT_EQ(workspace.activationCount(), 1);

    // The path is kept as the file system spells it, never percent-encoded.
    alerts.queueFolder(chosen);
    controller.chooseScreenshotFolder();
    EXPECT_EQ(controller.settings().screenshotFolder(), chosen);
    EXPECT_EQ(controller.settings().screenshotFolderPath(paths), chosen);

    alerts.queueFolder(std::nullopt);
    controller.chooseScreenshotFolder();
    EXPECT_EQ(alerts.folderChoices().back().directory, chosen);
    EXPECT_EQ(controller.settings().screenshotFolder(), chosen);
}

TEST_F(AppControllerTest, PendingWatchOutlivesTheController)
{
    app().start();
    controller.reset();
    setTrusted(true);
    scheduler.advance(3);
    EXPECT_EQ(keyboard.installedTapCount(), 0);
}

TEST_F(AppControllerTest, HoldsReachTheControllerThroughTheTap)
{
    setTrusted(true);
    auto& controller = app();
    controller.start();
    // The timing is the monitor's own (HoldMonitorTest); here the delay set reaches it.
    controller.settings().setHoldDelay(1.0);
    KeyEvent paste { KeyCodes::v, true, false, EventFlags::command, 0, QStringLiteral("v") };
    keyboard.type(paste);
    scheduler.advance(0.9);
    EXPECT_FALSE(controller.picker().isOpen());
    scheduler.advance(0.1);
    EXPECT_TRUE(controller.picker().isOpen());
}

TEST_F(AppControllerTest, TheKeyboardFocusThePickerBorrowedIsGivenBackBeforeThePaste)
{
    setTrusted(true);
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "entry");
    scheduler.advance(0.4);
    workspace.setKeyboardFocus(4242);
    controller.showHistory();
    ASSERT_TRUE(controller.picker().isOpen());
    EXPECT_TRUE(workspace.restoredFocus().isEmpty());
    const auto postedBefore = keyboard.postedCount();
    controller.picker().chooseSelected();
    EXPECT_EQ(workspace.restoredFocus(), QList<unsigned long long> { 4242 });
    EXPECT_EQ(keyboard.postedCount(), postedBefore) << "the paste comes after the focus is back";
    scheduler.advance(0.1);
    EXPECT_EQ(keyboard.postedCount(), postedBefore + 2);

    // Closing without a choice gives it back too, and only once.
    controller.showHistory();
    controller.picker().close();
    controller.picker().close();
    EXPECT_EQ(workspace.restoredFocus(), (QList<unsigned long long> { 4242, 4242 }));
}

TEST_F(AppControllerTest, ATapThatCannotBeRenewedForThePickerAsksForRestart)
{
    setTrusted(true);
    auto& controller = app();
    controller.start();
    ASSERT_TRUE(controller.holdMonitor().isRunning());
    EXPECT_EQ(onboarding(), nullptr);
    copyText(pasteboard, "entry");
    scheduler.advance(0.4);

    keyboard.setTapCreationFails(true);
    QSignalSpy holds(&controller, &AppController::holdFired);
    keyboard.type(KeyEvent { KeyCodes::v, true, false, EventFlags::command, 0, QStringLiteral("v") });
    scheduler.advance(0.6);
    ASSERT_EQ(holds.count(), 1) << "the picker opened";
    scheduler.runDue();
    EXPECT_FALSE(controller.holdMonitor().isRunning());
    EXPECT_TRUE(controller.needsRestart());
    ASSERT_NE(onboarding(), nullptr);
    EXPECT_TRUE(onboarding()->isVisible());
}

TEST_F(AppControllerTest, UnderAKeyGrabABareVIsTakenOnlyWhileThePickerIsOpen)
{
    // An X11 grab sees only the chords asked for: a plain "v" must stay the user's until the picker opens.
    keyboard.setTapModel(KeyboardEventsSimulated::TapModel::KeyGrab);
    setTrusted(true);
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "entry");
    scheduler.advance(0.4);
    const KeyEvent bareV { KeyCodes::v, true, false, 0, 0, QStringLiteral("v") };
    keyboard.type(bareV);
    EXPECT_FALSE(keyboard.deliveries().back().shownToTap);

    controller.showHistory();
    scheduler.runDue();
    keyboard.type(bareV);
    EXPECT_TRUE(keyboard.deliveries().back().shownToTap) << "while the picker is open every V is the tap's";
    EXPECT_EQ(keyboard.deliveries().back().fate, KeyboardEventsSimulated::Fate::Dropped);
    EXPECT_FALSE(controller.picker().isOpen()) << "V pasted the selected entry";
    keyboard.type(KeyEvent { KeyCodes::v, false, false, 0, 0, QStringLiteral("v") });

    scheduler.advance(1);
    keyboard.type(bareV);
    EXPECT_FALSE(keyboard.deliveries().back().shownToTap);
}

} // namespace
