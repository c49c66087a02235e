#include "Screenshots/EditorModel.h"

#include "EditorShots.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Watch {
    explicit Watch(EditorModel& model)
        : tool(&model, &EditorModel::toolChanged)
        , brush(&model, &EditorModel::brushChanged)
        , stack(&model, &EditorModel::stackChanged)
        , version(&model, &EditorModel::versionChanged)
    {
        model.redraw = [this] { ++redraws; };
    }
    QSignalSpy tool, brush, stack, version;
    int redraws = 0;
};

Annotation marker(double x, double y, int value)
{
    return Annotation::Number { QPointF(x, y), value };
}

} // namespace

TEST(EditorModel, StartsWithTheBlurBrushAndNotifiesOnlyRealChanges)
{
    EditorModel model(EditorShots::make(40, 30));
    Watch watch(model);
    EXPECT_EQ(model.tool(), EditorModel::Tool::Blur);
    EXPECT_EQ(model.brush(), 36);
    EXPECT_EQ(model.version(), 0);
    EXPECT_TRUE(model.stack().items.empty());

    // The same tool notifies nobody but still redraws; another tool does both.
    model.setTool(EditorModel::Tool::Blur);
    EXPECT_EQ(watch.tool.count(), 0);
    EXPECT_EQ(watch.redraws, 1);
    model.setTool(EditorModel::Tool::Arrow);
    EXPECT_EQ(watch.tool.count(), 1);
    EXPECT_EQ(watch.redraws, 2);

    // The brush never redraws; it stays in the slider's range and ignores what is not a number.
    model.setBrush(36);
    EXPECT_EQ(watch.brush.count(), 0);
    model.setBrush(50.5);
    EXPECT_EQ(watch.brush.count(), 1);
    model.setBrush(std::nan(""));
    model.setBrush(1e9);
    EXPECT_EQ(model.brush(), 120);
    model.setBrush(-3);
    EXPECT_EQ(model.brush(), 10);
    EXPECT_EQ(watch.brush.count(), 3);
    EXPECT_EQ(watch.redraws, 2);
}

TEST(EditorModel, EveryAddUndoAndRedoCountsAsAChange)
{
    EditorModel model(EditorShots::make(40, 30));
    Watch watch(model);

    model.undo(); // nothing to take back: a change all the same, but the marks stay as they are
    EXPECT_EQ(model.version(), 1);
    EXPECT_EQ(watch.stack.count(), 0);
    EXPECT_EQ(watch.version.count(), 1);
    EXPECT_EQ(watch.redraws, 1);

    model.add(marker(1, 2, 1));
    model.add(marker(3, 4, 2));
    model.undo();
    EXPECT_EQ(model.version(), 4);
    EXPECT_EQ(watch.stack.count(), 3);
    ASSERT_EQ(model.stack().undone.size(), 1u);
    EXPECT_EQ(model.stack().nextNumber(), 2);

    model.redo();
    EXPECT_EQ(model.stack().items.size(), 2u);
    model.redo();
    EXPECT_EQ(model.version(), 6);
    EXPECT_EQ(watch.stack.count(), 4);
    EXPECT_EQ(watch.redraws, 6);
}

TEST(EditorModel, RendersTheMarksInEffectAtFullSize)
{
    auto shot = EditorShots::make(200, 100);
    EditorModel model(shot);
    // A disc of blur at (50, 30) from the bottom, and a stroke that is undone.
    model.add(Annotation::Blur { { QPointF(50, 30) }, 20 });
    model.add(Annotation::Blur { { QPointF(150, 70), QPointF(190, 70) }, 10 });
    model.undo();

    const auto image = model.render();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(200, 100));
    EXPECT_FALSE(image->hasAlphaChannel()) << "an opaque shot stays opaque";
    EXPECT_EQ(image->pixelColor(50, 100 - 30), EditorShots::blurColour) << "y counts upwards";
    EXPECT_EQ(image->pixel(50, 30), shot->image().pixel(50, 30));
    EXPECT_EQ(image->pixel(170, 30), shot->image().pixel(170, 30)) << "undone marks are not drawn";

    // One pixel renders too; an empty shot renders nothing.
    EXPECT_TRUE(EditorModel(EditorShots::make(1, 1)).render());
    EXPECT_FALSE(EditorModel(std::make_shared<Shot>(QImage(), QImage(), 1)).render());
}
