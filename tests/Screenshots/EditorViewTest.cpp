#include "Screenshots/EditorView.h"

#include "EditorShots.h"
#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/SegmentedControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct View {
    View()
        : model(EditorShots::make(400, 300))
        , view(model)
    {
        view.resize(900, 600);
        view.show();
        QApplication::setActiveWindow(&view);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&view, key, modifiers);
    }
    EditorModel model;
    EditorView view;
};

} // namespace

TEST(EditorView, ToolbarHoldsItsItemsInOrderWithTheirTextsAndTooltips)
{
    View v;
    auto& view = v.view;
    auto* picker = view.toolPicker();
    EXPECT_EQ(picker->accessibleName(), QStringLiteral("Инструмент"));
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->segment(0)->text(), QStringLiteral("Размытие"));
    EXPECT_EQ(picker->segment(1)->text(), QStringLiteral("Стрелка"));
    EXPECT_EQ(picker->segment(2)->text(), QStringLiteral("Цифры"));
    EXPECT_TRUE(picker->segment(0)->isChecked());

    EXPECT_EQ(view.brushRow()->toolTip(), QStringLiteral("Диаметр кисти"));
    EXPECT_EQ(view.brushSlider()->width(), 150);
    EXPECT_EQ(view.brushSlider()->minimum(), 10 * EditorView::sliderSteps);
    EXPECT_EQ(view.brushSlider()->maximum(), 120 * EditorView::sliderSteps);
    EXPECT_EQ(view.brushValue()->width(), 28);
    EXPECT_EQ(view.brushValue()->text(), QStringLiteral("36"));
    EXPECT_EQ(view.brushRow()->layout()->spacing(), 8);

    EXPECT_EQ(view.undoButton()->toolTip(), QStringLiteral("Отменить"));
    EXPECT_EQ(view.redoButton()->toolTip(), QStringLiteral("Повторить"));
    EXPECT_EQ(view.copyButton()->text(), QStringLiteral("Копировать"));
    EXPECT_EQ(view.doneButton()->text(), QStringLiteral("Готово"));
    EXPECT_TRUE(view.doneButton()->isDefault());
    EXPECT_FALSE(view.undoButton()->icon().isNull());

    // Left to right, 14 points apart inside 14-point side margins; the canvas below takes the rest.
    auto* row = qobject_cast<QHBoxLayout*>(picker->parentWidget()->layout());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->spacing(), 14);
    EXPECT_EQ(row->contentsMargins(), QMargins(14, 10, 14, 10));
    const auto left = [&](QWidget* w) { return w->mapTo(&view, QPoint()).x(); };
    EXPECT_EQ(left(picker), 14);
    EXPECT_EQ(left(view.brushRow()), 14 + picker->width() + 14);
    EXPECT_LT(left(view.brushRow()), left(view.undoButton()));
    EXPECT_LT(left(view.undoButton()), left(view.redoButton()));
    EXPECT_LT(left(view.redoButton()), left(view.copyButton()));
    EXPECT_EQ(left(view.doneButton()) + view.doneButton()->width(), view.width() - 14);
    EXPECT_EQ(view.canvas()->minimumSize(), QSize(520, 320));
    EXPECT_EQ(view.canvas()->geometry().bottom(), view.height() - 1);
}

// Undo and redo by their keys, and the buttons they enable, are the editor scenario's.
TEST(EditorView, ADisabledUndoKeyChangesNothing)
{
    View v;
    v.model.add(Annotation::Number { QPointF(10, 10), 1 });
    v.model.undo();
    ASSERT_FALSE(v.view.undoButton()->isEnabled());
    const auto version = v.model.version();
    v.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(v.model.version(), version);
}

TEST(EditorView, CopyAndDoneAnswerTheirButtonsAndKeys)
{
    View v;
    int copies = 0;
    int dones = 0;
    v.view.onCopy = [&] { ++copies; };
    v.view.onDone = [&] { ++dones; };
    QTest::mouseClick(v.view.copyButton(), Qt::LeftButton);
    v.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 2);
    QTest::mouseClick(v.view.doneButton(), Qt::LeftButton);
    v.key(Qt::Key_Return);
    EXPECT_EQ(dones, 2);
}

TEST(EditorView, TheBrushRowShowsOnlyForTheBlurToolAndKeepsItsValue)
{
    View v;
    auto* picker = v.view.toolPicker();
    EXPECT_TRUE(v.view.brushRow()->isVisible());

    v.view.brushSlider()->setValue(80 * EditorView::sliderSteps + 70);
    EXPECT_DOUBLE_EQ(v.model.brush(), 80.7);
    EXPECT_EQ(v.view.brushValue()->text(), QStringLiteral("80")) << "truncated, not rounded";

    QTest::mouseClick(picker->segment(1), Qt::LeftButton);
    EXPECT_EQ(v.model.tool(), EditorModel::Tool::Arrow);
    EXPECT_FALSE(v.view.brushRow()->isVisible());
    QTest::mouseClick(picker->segment(2), Qt::LeftButton);
    EXPECT_EQ(v.model.tool(), EditorModel::Tool::Number);
    EXPECT_TRUE(picker->segment(2)->isChecked());
    EXPECT_FALSE(picker->segment(1)->isChecked());

    QTest::mouseClick(picker->segment(0), Qt::LeftButton);
    EXPECT_TRUE(v.view.brushRow()->isVisible());
    EXPECT_DOUBLE_EQ(v.model.brush(), 80.7);
    EXPECT_EQ(v.view.brushValue()->text(), QStringLiteral("80"));

    // The model leads too: a tool chosen elsewhere moves the picker.
    v.model.setTool(EditorModel::Tool::Arrow);
    EXPECT_TRUE(picker->segment(1)->isChecked());
}
