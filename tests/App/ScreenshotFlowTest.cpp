#include "App/AppController.h"
#include "Clipboard/Paster.h"
#include "ControllerHarness.h"
#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/ScreenAccessDesktop.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/ScreenCapture.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"
#include "Screenshots/ThumbnailView.h"
#include "TestSupport/FileSizeLimit.h"

#include <QDir>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ScreenshotFlowTest : public ::testing::Test, public ControllerHarness {
protected:
    void SetUp() override
    {
        screenAccess.setGranted(true);
        app().settings().setScreenshotFolder(folder());
    }
    QString folder() const { return home.path() + QStringLiteral("/Shots"); }
    QStringList shots() const { return QDir(folder()).entryList(QDir::Files); }
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
    // The tool's arguments, the temporary file and the dated name are the screenshot road scenario's.
    settings(true, true, true);
    processes.captureWritesPng({ 640, 400 });
    capture();
    ASSERT_EQ(shots().size(), 1);
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

// What each setting alone shows, saves and copies is the copy-only and editor-at-once scenarios'.
TEST_F(ScreenshotFlowTest, AFolderThatCannotBeMadeLeavesTheShotWithoutAFileUntilAFinishCanWriteOne)
{
    settings(true, true, true);
    TemporaryHome::writeFile(folder(), "a file where the folder should be");
    processes.captureWritesPng({ 320, 200 });
    capture();
    // Until the folder can be made, the shot is copied and edited without a file: the folder-fails scenario.
    ASSERT_TRUE(app().thumbnail().view());
    const auto shot = app().thumbnail().view()->shot();
    EXPECT_FALSE(shot->file());

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
    {
        const FileSizeLimit full(1024);
        ASSERT_TRUE(full.active());
        app().editor().view(window)->doneButton()->click();
        scheduler.advance(0);
    }
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
