#include "Screenshots/ScreenshotEditor.h"

#include "EditorShots.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Editor {
    AlertsSimulated alerts;
    ScreensSimulated screens;
    WorkspaceSimulated workspace;
    ScreenshotEditor editor { alerts, screens, workspace };
    std::vector<QImage> copies;
    std::vector<QImage> finishes;
    // When set, hand-overs wait here instead of being rendered at once.
    bool hold = false;
    std::vector<std::pair<EditorModel::Snapshot, ScreenshotEditor::Settled>> held;

    ScreenshotEditor::Handler into(std::vector<QImage>& images)
    {
        return [this, &images](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            if (hold) {
                held.emplace_back(std::move(marks), std::move(settled));
                return;
            }
            const auto image = marks.render();
            if (image)
                images.push_back(*image);
            settled(image.has_value());
        };
    }
    QWidget* open(std::shared_ptr<Shot> shot)
    {
        return editor.open(std::move(shot), into(copies), into(finishes));
    }
    // Lets the closed windows go, as the event loop does after the close.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    bool isOpen(QWidget* window) const
    {
        const auto& all = editor.windows();
        return std::find(all.begin(), all.end(), window) != all.end();
    }
};

Annotation marker(int value)
{
    return Annotation::Number { QPointF(10, 10), value };
}

const QString save = QStringLiteral("Сохранить");
const QString discard = QStringLiteral("Не сохранять");
const QString cancel = QStringLiteral("Отмена");

} // namespace

TEST(ScreenshotEditor, SizesTheWindowForTheShotWithinTheScreen)
{
    const QRectF visible(0, 0, 1440, 875);
    EXPECT_EQ(ScreenshotEditor::contentSize({ 3000, 2000 }, 2, visible), QSizeF(1224, 743.75));
    EXPECT_EQ(ScreenshotEditor::contentSize({ 200, 100 }, 2, visible), QSizeF(560, 400));
    EXPECT_EQ(ScreenshotEditor::contentSize({ 1000, 500 }, 2, visible), QSizeF(560, 400));
    EXPECT_EQ(ScreenshotEditor::contentSize({ 1100, 800 }, 1, visible), QSizeF(1148, 743.75));

    Editor e;
    e.screens.addScreen({ QRectF(0, 0, 1440, 900), visible, 2 });
    QWidget* window = e.open(EditorShots::plain(3000, 2000));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Скриншот"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->size(), QSize(1224, 744));
    EXPECT_GE(window->minimumWidth(), 520);
    EXPECT_GE(window->minimumHeight(), 360);
    EXPECT_EQ(e.workspace.activationCount(), 1) << "the application comes to the front";
    // Centred on the visible frame: 108 points from the left, and as far from its top as from its bottom.
    EXPECT_EQ(window->pos().x(), 108);
    EXPECT_NEAR(window->pos().y(), (900 - 875) + (875 - 744) / 2.0, 1);

    // The smallest window the rule allows still shows the whole toolbar, also when shrunk to its minimum.
    QWidget* least = e.open(EditorShots::plain(200, 100));
    least->resize(least->minimumSize());
    QCoreApplication::processEvents();
    const auto* done = e.editor.view(least)->doneButton();
    EXPECT_LE(done->mapTo(least, QPoint(done->width(), 0)).x(), least->width() - 14);
    EXPECT_GE(e.editor.view(least)->canvas()->height(), 320);

    // A screen too small for the minimum still gets a usable window; no shot gets none.
    Editor small;
    small.screens.addScreen({ QRectF(0, 0, 300, 200), QRectF(0, 0, 300, 200), 1 });
    QWidget* cramped = small.open(EditorShots::plain(100, 100));
    EXPECT_GE(cramped->width(), 520);
    EXPECT_GE(cramped->height(), 360);
    EXPECT_EQ(small.open(nullptr), nullptr);
}

// Nothing drawn, "Сохранить" and "Отмена", with the question's words, are the editor scenario's.
TEST(ScreenshotEditor, MarksAllUndoneCloseWithoutAQuestionAndDiscardedOnesWithoutAFinish)
{
    for (const bool discarding : { false, true }) {
        SCOPED_TRACE(discarding ? "discarded" : "all undone");
        Editor e;
        QWidget* window = e.open(EditorShots::make(300, 200));
        e.editor.model(window)->add(marker(1));
        if (discarding)
            e.alerts.queueAnswer(discard);
        else
            e.editor.model(window)->undo();
        EXPECT_TRUE(window->close());
        EXPECT_EQ(e.alerts.alerts().size(), discarding ? 1u : 0u);
        EXPECT_TRUE(e.finishes.empty());
        EXPECT_FALSE(e.isOpen(window));
        QPointer<QWidget> guarded(window);
        Editor::settle();
        EXPECT_FALSE(guarded) << "a closed window goes with its model and canvas";
    }
}

TEST(ScreenshotEditor, DoneHandsTheImageOverOnceAndClosesWithoutAsking)
{
    Editor e;
    QWidget* window = e.open(EditorShots::make(300, 200));
    EditorView* view = e.editor.view(window);
    e.editor.model(window)->add(Annotation::Blur { { QPointF(100, 100) }, 40 });

    QTest::mouseClick(view->copyButton(), Qt::LeftButton);
    ASSERT_EQ(e.copies.size(), 1u);
    EXPECT_EQ(e.copies[0].pixelColor(100, 100), EditorShots::blurColour);
    EXPECT_TRUE(e.isOpen(window)) << "copying leaves the window open";

    // Two presses of "Готово" before the window has gone: one image, no question.
    QTest::mouseClick(view->doneButton(), Qt::LeftButton);
    view->onDone();
    EXPECT_EQ(e.finishes.size(), 1u);
    EXPECT_TRUE(e.alerts.alerts().empty());
    EXPECT_FALSE(e.isOpen(window));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(e.finishes[0].size(), QSize(300, 200));
    Editor::settle();
}

TEST(ScreenshotEditor, WhileTheImageIsMadeTheWindowTakesNoCommandAndKeepsItsMarksIfItFails)
{
    Editor e;
    e.hold = true;
    QWidget* window = e.open(EditorShots::make(300, 200));
    EditorModel* model = e.editor.model(window);
    EditorView* view = e.editor.view(window);
    model->add(marker(1));

    QTest::mouseClick(view->doneButton(), Qt::LeftButton);
    ASSERT_EQ(e.held.size(), 1u);
    model->add(marker(2));
    EXPECT_EQ(e.held[0].first.marks.size(), 1u) << "the marks as they were at the press";
    EXPECT_FALSE(view->isEnabled());
    view->onDone();
    view->onCopy();
    EXPECT_FALSE(window->close());
    EXPECT_EQ(e.held.size(), 1u);
    EXPECT_TRUE(e.alerts.alerts().empty()) << "no question while the image is being made";
    EXPECT_TRUE(e.isOpen(window));

    e.held[0].second(false);
    EXPECT_TRUE(e.isOpen(window));
    EXPECT_TRUE(view->isEnabled());
    EXPECT_EQ(model->stack().items.size(), 2u);

    // A copy frees the window again; a late second answer changes nothing.
    view->onCopy();
    ASSERT_EQ(e.held.size(), 2u);
    e.held[1].second(true);
    e.held[1].second(true);
    EXPECT_TRUE(e.isOpen(window));
    EXPECT_TRUE(view->isEnabled());

    // "Сохранить" on closing hands over too, and the window goes once the image is out.
    e.alerts.queueAnswer(save);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(e.held.size(), 3u);
    EXPECT_EQ(e.held[2].first.marks.size(), 2u);
    EXPECT_TRUE(e.isOpen(window));
    e.held[2].second(true);
    EXPECT_FALSE(e.isOpen(window));
    EXPECT_EQ(e.alerts.alerts().size(), 1u);
    Editor::settle();
}

TEST(ScreenshotEditor, AWindowWhoseImageCannotBeMadeStaysOpenWithItsMarks)
{
    Editor e;
    QWidget* window = e.open(std::make_shared<Shot>(QImage(), QImage(), 2));
    EditorModel* model = e.editor.model(window);
    model->add(marker(1));

    QTest::mouseClick(e.editor.view(window)->doneButton(), Qt::LeftButton);
    EXPECT_TRUE(e.isOpen(window));
    EXPECT_TRUE(e.finishes.empty());

    e.alerts.queueAnswer(save);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(e.isOpen(window));
    EXPECT_EQ(model->stack().items.size(), 1u);
    EXPECT_TRUE(e.finishes.empty());

    // Giving the marks up is still the user's choice.
    e.alerts.queueAnswer(discard);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(e.isOpen(window));
    Editor::settle();
}

TEST(ScreenshotEditor, ClosingDuringADragLosesNothingCommittedAndCrashesNothing)
{
    Editor e;
    QWidget* window = e.open(EditorShots::make(600, 400));
    AnnotationCanvas* canvas = e.editor.view(window)->canvas();
    const QPoint middle = canvas->rect().center();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseMove(canvas, middle + QPoint(30, 10));
    ASSERT_TRUE(canvas->draft());
    // The stroke is not committed yet: nothing to lose, nothing asked.
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(e.alerts.alerts().empty());
    QPointer<QWidget> guarded(window);
    Editor::settle();
    EXPECT_FALSE(guarded);

    // With a committed mark, the question comes even mid-drag, and "Отмена" keeps drawing possible.
    QWidget* next = e.open(EditorShots::make(600, 400));
    AnnotationCanvas* nextCanvas = e.editor.view(next)->canvas();
    e.editor.model(next)->add(marker(1));
    QTest::mousePress(nextCanvas, Qt::LeftButton, Qt::NoModifier, middle);
    e.alerts.queueAnswer(cancel);
    EXPECT_FALSE(next->close());
    QTest::mouseMove(nextCanvas, middle + QPoint(40, 0));
    QTest::mouseRelease(nextCanvas, Qt::LeftButton, Qt::NoModifier, middle + QPoint(40, 0));
    EXPECT_EQ(e.editor.model(next)->stack().items.size(), 2u);
}

TEST(ScreenshotEditor, OpensAndFinishesTheSmallestAndAVeryLargeShot)
{
    Editor e;
    QWidget* tiny = e.open(EditorShots::plain(1, 1, 1));
    ASSERT_TRUE(tiny);
    tiny->repaint();
    e.editor.model(tiny)->add(marker(1));
    QTest::mouseClick(e.editor.view(tiny)->doneButton(), Qt::LeftButton);
    ASSERT_EQ(e.finishes.size(), 1u);
    EXPECT_EQ(e.finishes[0].size(), QSize(1, 1));

    QWidget* huge = e.open(EditorShots::plain(16384, 16384, 2));
    ASSERT_TRUE(huge);
    EXPECT_LE(huge->width(), 0.85 * 1440 + 1);
    huge->repaint();
    AnnotationCanvas* canvas = e.editor.view(huge)->canvas();
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->rect().center());
    huge->repaint();
    EXPECT_EQ(e.editor.model(huge)->stack().items.size(), 1u);
    e.alerts.queueAnswer(discard);
    EXPECT_TRUE(huge->close());
    Editor::settle();
}
