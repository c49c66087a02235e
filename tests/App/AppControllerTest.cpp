#include "App/AppController.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/Paster.h"
#include "ControllerHarness.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/ImageReading.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Picker/HistoryPickerView.h"
#include "Platform/Desktop/ScreenAccessDesktop.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/ScreenCapture.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"
#include "Screenshots/ThumbnailView.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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

TEST_F(AppControllerTest, StartsWithoutPermissionThenFollowsTheGrant)
{
    auto& controller = app();
    controller.start();
    EXPECT_EQ(controller.history().limit(), 15);
    ASSERT_NE(controller.monitor(), nullptr);
    EXPECT_TRUE(controller.monitor()->isRunning());
    EXPECT_FALSE(controller.holdMonitor().isRunning());
    ASSERT_NE(onboarding(), nullptr);
    EXPECT_TRUE(onboarding()->isVisible());
    EXPECT_EQ(onboarding()->windowTitle(), QStringLiteral("Drimo Copy"));
    EXPECT_TRUE(controller.isPermissionWatchRunning());

    QSignalSpy granted(&controller, &AppController::accessibilityGrantedChanged);
    scheduler.advance(5);
    EXPECT_FALSE(controller.accessibilityGranted());
    setTrusted(true);
    scheduler.advance(0.99);
    EXPECT_FALSE(controller.accessibilityGranted());
    scheduler.advance(0.01);
    EXPECT_TRUE(controller.accessibilityGranted());
    EXPECT_EQ(granted.count(), 1);
    EXPECT_TRUE(controller.holdMonitor().isRunning());
    EXPECT_TRUE(onboarding()->isVisible());
    scheduler.advance(1);
    EXPECT_FALSE(onboarding()->isVisible());
    EXPECT_FALSE(controller.isPermissionWatchRunning());
}

TEST_F(AppControllerTest, FailingTapAsksForRestartWithoutWatching)
{
    setTrusted(true);
    keyboard.setTapCreationFails(true);
    auto& controller = app();
    QSignalSpy restart(&controller, &AppController::needsRestartChanged);
    controller.start();
    EXPECT_TRUE(controller.needsRestart());
    EXPECT_EQ(restart.count(), 1);
    EXPECT_TRUE(onboarding()->isVisible());
    EXPECT_FALSE(controller.isPermissionWatchRunning());
    controller.applyHoldKeys();
    EXPECT_EQ(restart.count(), 1);

    // Both holds off: the tap is not even tried.
    keyboard.setTapCreationFails(false);
    controller.settings().setHoldToPaste(false);
    controller.settings().setHoldToScreenshot(false);
    controller.applyHoldKeys();
    EXPECT_FALSE(controller.holdMonitor().isRunning());
    controller.settings().setHoldToPaste(true);
    controller.applyHoldKeys();
    EXPECT_TRUE(controller.holdMonitor().isRunning());
}

TEST_F(AppControllerTest, ChoosingAnEntryWritesTouchesAndPastesAfterTheDelay)
{
    setTrusted(true);
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "older");
    scheduler.advance(0.4);
    copyText(pasteboard, "newer");
    scheduler.advance(0.4);
    ASSERT_EQ(controller.history().items().size(), 2u);

    controller.showHistory();
    ASSERT_TRUE(controller.picker().isOpen());
    controller.picker().model().move(1);
    controller.picker().chooseSelected();
    EXPECT_FALSE(controller.picker().isOpen());
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), QByteArray("older"));
    EXPECT_EQ(controller.monitor()->lastChangeCount(), pasteboard.changeCount());
    EXPECT_EQ(controller.history().items()[0].preview, QStringLiteral("older"));

    scheduler.advance(0.05);
    EXPECT_TRUE(postedKeys().empty());
    scheduler.advance(0.01);
    const auto keys = postedKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].keyCode, KeyCodes::v);
    EXPECT_EQ(keys[0].flags, EventFlags::command);
    EXPECT_EQ(keys[0].userData, Paster::syntheticMarker);
    EXPECT_EQ(keyboard.deliveries().back().application, QStringLiteral("com.example.editor"));

    // The write is not recorded as a copy of its own.
    scheduler.advance(1);
    EXPECT_EQ(controller.history().items().size(), 2u);
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

TEST_F(AppControllerTest, ClearingAsksAndOnlyTheFirstButtonClears)
{
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "keep");
    scheduler.advance(0.4);

    alerts.queueAnswer(QStringLiteral("Отмена"));
    controller.confirmClearHistory();
    EXPECT_EQ(controller.history().items().size(), 1u);
    const auto& alert = alerts.alerts().back();
    EXPECT_EQ(alert.alert.style, Alerts::Style::Warning);
    EXPECT_EQ(alert.alert.message, QStringLiteral("Очистить историю?"));
    EXPECT_EQ(
        alert.alert.informativeText, QStringLiteral("Все сохранённые записи будут удалены с этого Mac."));
    EXPECT_EQ(alert.alert.buttons, QStringList({ QStringLiteral("Очистить"), QStringLiteral("Отмена") }));

    // Unanswered, the alert gets its last button: nothing is lost.
    controller.confirmClearHistory();
    EXPECT_TRUE(alerts.alerts().back().unexpected);
    EXPECT_EQ(controller.history().items().size(), 1u);

    alerts.queueAnswer(QStringLiteral("Очистить"));
    controller.confirmClearHistory();
    EXPECT_TRUE(controller.history().items().empty());
    controller.showHistory();
    EXPECT_EQ(controller.picker().model().visibleCount(), 0);
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

TEST_F(AppControllerTest, ThumbnailsComeFromTheEntryFolder)
{
    auto& controller = app();
    controller.start();
    copyText(pasteboard, "text");
    scheduler.advance(0.4);
    const auto entry = controller.history().items()[0];
    EXPECT_FALSE(controller.thumbnailFor(entry));
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(controller.history().entryFolder(entry) + QStringLiteral("/thumb.png")));
    const auto thumbnail = controller.thumbnailFor(entry);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->size(), QSize(8, 6));

    // A FIFO in place of the thumbnail would hang the picker as it opens.
    const QString path = controller.history().entryFolder(entry) + QStringLiteral("/thumb.png");
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(controller.thumbnailFor(entry));
}

TEST_F(AppControllerTest, WindowsAreReused)
{
    auto& controller = app();
    controller.showOnboarding();
    auto* first = onboarding();
    controller.windows().close(AppWindows::onboardingKey);
    controller.showOnboarding();
    EXPECT_EQ(onboarding(), first);
    EXPECT_TRUE(first->isVisible());
    controller.showSettings();
    EXPECT_EQ(controller.windows().window(AppWindows::settingsKey)->windowTitle(),
        QStringLiteral("Настройки Drimo Copy"));
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

namespace {

TEST_F(AppControllerTest, TheScreenshotShortcutTakesAScreenshotWhenReleased)
{
    setTrusted(true);
    defaults.set(QStringLiteral("GlobalShortcuts_zodezododAzavadazur"),
        QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":768})"));
    screenAccess.setGranted(true);
    QSignalSpy requests(&app(), &AppController::captureEnded);
    app().start();
    ASSERT_TRUE(hotKeys.isRegistered(1, 0x300));
    const std::uint64_t flags = EventFlags::command | EventFlags::shift;
    EXPECT_TRUE(hotKeys.type({ 1, true, false, flags, 0, {} }));
    EXPECT_EQ(requests.count(), 0) << "the key-up starts it, not the key-down";
    EXPECT_TRUE(hotKeys.type({ 1, false, false, flags, 0, {} }));
    scheduler.runDue();
    EXPECT_EQ(requests.count(), 1);

    // The recorder in the settings window is the screenshot name's: clearing it lets the hot key go.
    app().showSettings();
    auto* recorder = app()
                         .windows()
                         .window(AppWindows::settingsKey)
                         ->findChild<GlobalShortcuts::RecorderControl*>(AppWindows::screenshotRecorderName);
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->text(), QString::fromUtf16(u"\u21E7\u2318S"));
    recorder->setShortcut(std::nullopt);
    EXPECT_FALSE(hotKeys.isRegistered(1, 0x300));
    EXPECT_FALSE(defaults.object(QStringLiteral("GlobalShortcuts_zodezododAzavadazur")));
}

} // namespace

namespace {

class ScreenshotFlowTest : public AppControllerTest {
protected:
    void SetUp() override
    {
        screenAccess.setGranted(true);
        app().settings().setScreenshotFolder(folder());
    }
    QString folder() const { return home.path() + QStringLiteral("/Shots"); }
    QStringList shots() const { return QDir(folder()).entryList(QDir::Files); }
    QStringList temporaryFiles() const { return QDir(paths.temporary()).entryList(QDir::Files); }
    QByteArray copiedPng() const
    {
        return pasteboard.items().empty()
            ? QByteArray()
            : pasteboard.items()[0].data(PasteboardTypes::png).value_or(QByteArray());
    }
    // Runs one capture to its end: the tool, then the decoding.
    void capture()
    {
        app().takeScreenshot();
        scheduler.advance(0);
    }
    void settings(bool save, bool copy, bool thumbnail)
    {
        app().settings().setScreenshotSave(save);
        app().settings().setScreenshotCopy(copy);
        app().settings().setScreenshotThumbnail(thumbnail);
    }
    // Draws an arrow in the newest editor window and presses "Готово".
    void finishEdit()
    {
        ASSERT_FALSE(app().editor().windows().empty());
        QWidget* window = app().editor().windows().back();
        app().editor().model(window)->add(Annotation::Arrow { { 10, 10 }, { 200, 150 } });
        app().editor().view(window)->doneButton()->click();
        scheduler.advance(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(ScreenshotFlowTest, EverythingOnSavesCopiesAndShowsTheShot)
{
    settings(true, true, true);
    processes.captureWritesPng({ 640, 400 });
    QSignalSpy ended(&app(), &AppController::captureEnded);
    app().takeScreenshot();
    EXPECT_TRUE(app().capturing());
    scheduler.advance(0);
    EXPECT_FALSE(app().capturing());

    ASSERT_EQ(ended.count(), 1);
    const QString temporary = ended[0][1].toString();
    EXPECT_TRUE(QFileInfo(temporary).fileName().startsWith(u"DrimoCopy-"));
    EXPECT_EQ(QFileInfo(temporary).path(), paths.temporary());
    EXPECT_FALSE(QFileInfo::exists(temporary));
    EXPECT_EQ(processes.started().back().arguments,
        (QStringList { QStringLiteral("-i"), QStringLiteral("-o"), QStringLiteral("-x"), temporary }));

    ASSERT_EQ(shots(), QStringList { QStringLiteral("Скриншот 2026-01-01 в 00.00.00.png") });
    QFile saved(folder() + u'/' + shots()[0]);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray png = saved.readAll();
    EXPECT_EQ(copiedPng(), png);
    // The TIFF copy waits for a reader, and is then what decoding the file would have given.
    EXPECT_TRUE(pasteboard.items()[0].promiseOf(PasteboardTypes::tiff));
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::tiff),
        Paster::imageItem(png).data(PasteboardTypes::tiff));
    ASSERT_TRUE(app().thumbnail().view());
    EXPECT_EQ(app().thumbnail().view()->shot()->file(), saved.fileName());
    EXPECT_EQ(app().thumbnail().view()->shot()->scale(), 2);

    // A new capture takes the old thumbnail away at once and brings its own.
    processes.captureWritesPng({ 300, 200 });
    app().takeScreenshot();
    EXPECT_EQ(app().thumbnail().panel(), nullptr);
    scheduler.advance(0);
    ASSERT_TRUE(app().thumbnail().view());
    EXPECT_EQ(app().thumbnail().view()->shot()->image().size(), QSize(300, 200));
    EXPECT_EQ(shots().size(), 2);
}

TEST_F(ScreenshotFlowTest, WhatIsShownFollowsTheSettings)
{
    struct Case {
        bool save, copy, thumbnail;
        int files;
        bool copied, shown, editor;
    };
    for (const auto& c : { Case { false, false, false, 0, false, false, true },
             Case { false, true, false, 0, true, false, false },
             Case { true, false, false, 1, false, false, false },
             Case { false, false, true, 0, false, true, false } }) {
        SCOPED_TRACE(testing::Message() << c.save << c.copy << c.thumbnail);
        QDir(folder()).removeRecursively();
        pasteboard.clearContents();
        app().thumbnail().close();
        const auto editorsBefore = app().editor().windows().size();
        settings(c.save, c.copy, c.thumbnail);
        processes.captureWritesPng({ 64, 48 });
        capture();
        EXPECT_EQ(shots().size(), c.files);
        EXPECT_TRUE(temporaryFiles().isEmpty());
        EXPECT_EQ(!copiedPng().isEmpty(), c.copied);
        EXPECT_EQ(app().thumbnail().panel() != nullptr, c.shown);
        EXPECT_EQ(app().editor().windows().size() > editorsBefore, c.editor);
        EXPECT_FALSE(app().capturing());
    }
}

TEST_F(ScreenshotFlowTest, AFolderThatCannotBeMadeLeavesTheShotWithoutAFileUntilAFinishCanWriteOne)
{
    settings(true, true, true);
    TemporaryHome::writeFile(folder(), "a file where the folder should be");
    processes.captureWritesPng({ 320, 200 });
    capture();
    EXPECT_TRUE(temporaryFiles().isEmpty());
    EXPECT_FALSE(copiedPng().isEmpty());
    ASSERT_TRUE(app().thumbnail().view());
    const auto shot = app().thumbnail().view()->shot();
    EXPECT_FALSE(shot->file());

    app().thumbnail().view()->onClick();
    finishEdit();
    EXPECT_FALSE(shot->file()) << "the folder still cannot be made";
    const QByteArray firstEdit = copiedPng();
    EXPECT_EQ(QImage::fromData(firstEdit).size(), QSize(320, 200));

    // Once the folder can be made, the next finish writes a file and the one after overwrites it.
    QFile::remove(folder());
    app().edit(shot);
    finishEdit();
    ASSERT_TRUE(shot->file());
    EXPECT_EQ(shots().size(), 1);
    scheduler.advance(3);
    app().edit(shot);
    finishEdit();
    EXPECT_EQ(shots().size(), 1);
    QFile written(*shot->file());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), copiedPng());

    // A full disk while writing leaves the file as it was; the edit still reaches the pasteboard.
    const QByteArray before = copiedPng();
    app().edit(shot);
    QWidget* window = app().editor().windows().back();
    app().editor().model(window)->add(Annotation::Number { { 100, 100 }, 1 });
    struct rlimit old { };
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    app().editor().view(window)->doneButton()->click();
    scheduler.advance(0);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QFile after(*shot->file());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_NE(copiedPng(), before);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";
}

TEST_F(ScreenshotFlowTest, FinishesOfOneShotTakeTurnsAndTheLastOneIsWhatStays)
{
    settings(true, true, true);
    processes.captureWritesPng({ 320, 200 });
    capture();
    const auto shot = app().thumbnail().view()->shot();
    QDir(folder()).removeRecursively();
    shot->setFile(std::nullopt);

    // Both presses come before any work is done: the second finish must find the first one's file.
    app().edit(shot);
    QWidget* first = app().editor().windows().back();
    app().editor().model(first)->add(Annotation::Number { { 40, 40 }, 1 });
    app().editor().view(first)->doneButton()->click();
    app().edit(shot);
    QWidget* second = app().editor().windows().back();
    app().editor().model(second)->add(Annotation::Number { { 200, 100 }, 7 });
    const auto expected = ShotRenderer::png(*app().editor().model(second)->render(), shot->scale());
    app().editor().view(second)->doneButton()->click();
    EXPECT_EQ(app().editor().windows().size(), 2u) << "the windows close once their image is out";
    scheduler.advance(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(app().editor().windows().empty());
    ASSERT_EQ(shots().size(), 1);
    QFile written(*shot->file());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), *expected);
    EXPECT_EQ(copiedPng(), *expected);

    // "Копировать" reaches the pasteboard off the main thread as well, and leaves the window open.
    app().edit(shot);
    QWidget* third = app().editor().windows().back();
    app().editor().model(third)->add(Annotation::Number { { 10, 10 }, 3 });
    const auto copied = ShotRenderer::png(*app().editor().model(third)->render(), shot->scale());
    app().editor().view(third)->copyButton()->click();
    scheduler.advance(0);
    EXPECT_EQ(copiedPng(), *copied);
    EXPECT_EQ(app().editor().windows().size(), 1u);
}

TEST_F(ScreenshotFlowTest, BrokenCapturesLoseNothingAndEndTheCapture)
{
    settings(true, true, true);
    copyText(pasteboard, "kept");
    const auto changeCount = pasteboard.changeCount();
    const std::vector<std::pair<const char*, std::function<void()>>> broken {
        { "cancelled", [&] { processes.captureExitsWithoutFile(); } },
        { "cannot start", [&] { processes.captureCannotStart(); } },
        { "crashed", [&] { processes.captureCrashes(); } },
        { "empty file", [&] { processes.captureWritesEmptyFile(); } },
        { "truncated file",
            [&] {
                processes.captureWritesTruncatedPng({ 800, 600 });
            } },
    };
    for (const auto& [what, script] : broken) {
        SCOPED_TRACE(what);
        script();
        capture();
        EXPECT_FALSE(app().capturing());
        EXPECT_TRUE(shots().isEmpty());
        EXPECT_TRUE(temporaryFiles().isEmpty());
        EXPECT_EQ(pasteboard.changeCount(), changeCount);
        EXPECT_EQ(app().thumbnail().panel(), nullptr);
        EXPECT_TRUE(app().editor().windows().empty());
    }

    // A picture too large to show is still a picture: it stays in the folder and goes to the pasteboard.
    processes.captureWritesPng({ 20000, 20000 });
    capture();
    EXPECT_FALSE(app().capturing());
    ASSERT_EQ(shots().size(), 1);
    EXPECT_EQ(ImageReading::headerSize(copiedPng()), QSize(20000, 20000));
    EXPECT_EQ(app().thumbnail().panel(), nullptr);
}

TEST_F(ScreenshotFlowTest, OneCaptureAtATimeAndNoneWithoutTheScreenRecordingPermission)
{
    processes.setCaptureDuration(5);
    processes.captureWritesPng({ 64, 48 });
    app().takeScreenshot();
    scheduler.advance(1);
    app().takeScreenshot();
    EXPECT_EQ(processes.started().size(), 1u) << "a second request while the selection is open is ignored";
    scheduler.advance(4);
    EXPECT_FALSE(app().capturing());
    EXPECT_TRUE(app().thumbnail().panel());

    // Without the permission: the system's prompt the first time, our alert after, and no capture.
    screenAccess.setGranted(false);
    app().takeScreenshot();
    EXPECT_EQ(screenAccess.requests(), 1);
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_TRUE(defaults.boolValue(ScreenshotFlow::screenAccessRequestedKey));
    for (const char* answer : { "Позже", "Открыть настройки", "Перезапустить" }) {
        alerts.queueAnswer(QString::fromUtf8(answer));
        app().takeScreenshot();
    }
    EXPECT_EQ(screenAccess.requests(), 1);
    ASSERT_EQ(alerts.alerts().size(), 3u);
    EXPECT_EQ(alerts.alerts()[0].alert.message, QStringLiteral("Разрешите запись экрана"));
    EXPECT_EQ(alerts.alerts()[0].alert.buttons,
        (QStringList {
            QStringLiteral("Открыть настройки"), QStringLiteral("Перезапустить"), QStringLiteral("Позже") }));
    EXPECT_EQ(workspace.openedUrls(), QList<QUrl> { ScreenCapture::settingsUrl });
    EXPECT_TRUE(processes.started().back().detached) << "the relaunch";
    EXPECT_EQ(processes.started().size(), 2u);
    EXPECT_FALSE(app().capturing());
}

// On the real event loop the work runs on workers, and the capture ends (its blurred copy made) after the
// thumbnail shows: an edit finished before then is what the pasteboard keeps.
TEST_F(ScreenshotFlowTest, AnEditFinishedBeforeTheCaptureEndsIsWhatThePasteboardKeeps)
{
    EventLoopScheduler realScheduler;
    ProcessesSimulated tool(realScheduler);
    AppController controller(platform({ .scheduler = &realScheduler, .processes = &tool }));
    tool.captureWritesPng({ 2880, 1800 });
    controller.takeScreenshot();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.thumbnail().view() != nullptr; }, 10000));
    controller.thumbnail().view()->onClick();
    QWidget* window = controller.editor().windows().back();
    EditorModel& model = *controller.editor().model(window);
    model.add(Annotation::Number { { 100, 100 }, 1 });
    const auto shot = model.sharedShot();
    // Made on a worker thread, the file and the pasteboard hold what the main thread would have made.
    const auto expected = ShotRenderer::png(*model.render(), shot->scale());
    ASSERT_TRUE(expected);
    controller.editor().view(window)->doneButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.editor().windows().empty(); }, 10000));
    EXPECT_EQ(copiedPng(), *expected);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::tiff),
        Paster::imageItem(*expected).data(PasteboardTypes::tiff));
    ASSERT_TRUE(shot->file());
    QFile saved(*shot->file());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), *expected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.capturing(); }, 10000));
    EXPECT_EQ(copiedPng(), *expected);
}

TEST_F(ScreenshotFlowTest, WhereTheScreenNeedsNoPermissionTheSettingsButtonOnlyLogs)
{
    ScreenAccessDesktop desktop;
    ScreenCapture::openSettings(platform({ .screenAccess = &desktop }));
    EXPECT_TRUE(workspace.openedUrls().isEmpty());
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(desktop.preflight());
}

} // namespace
