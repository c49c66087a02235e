#include "Screenshots/AnnotationCanvas.h"

#include "EditorShots.h"
#include "Screenshots/EditorModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A canvas shown on its own at a size, with a model for the shot.
struct Canvas {
    Canvas(std::shared_ptr<Shot> shot, QSize size)
        : model(std::move(shot))
        , canvas(model)
    {
        canvas.resize(size);
        canvas.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&canvas));
        canvas.repaint();
    }
    // Widget coordinates of a canvas point (y up).
    QPoint at(double x, double y) const { return canvas.toWidget(QPointF(x, y)).toPoint(); }
    void press(double x, double y) { QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, at(x, y)); }
    void move(double x, double y) { QTest::mouseMove(&canvas, at(x, y)); }
    void release(double x, double y)
    {
        QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, at(x, y));
    }
    void click(double x, double y)
    {
        press(x, y);
        release(x, y);
    }
    // Raw events, for positions QTest cannot express.
    void send(QEvent::Type type, QPointF widgetPoint)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, widgetPoint, widgetPoint, widgetPoint, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    }
    const std::vector<Annotation>& items() const { return model.stack().items; }

    EditorModel model;
    AnnotationCanvas canvas;
};

const double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(AnnotationCanvas, FitsTheShotIntoTheViewNeverLargerThanItsSizeInPoints)
{
    // A 2880 × 1800 shot at scale 2 shows at 1440 × 900 however large the view.
    EXPECT_EQ(AnnotationCanvas::imageRect({ 1600, 1000 }, { 2880, 1800 }, 2), QRectF(80, 50, 1440, 900));
    EXPECT_EQ(AnnotationCanvas::imageRect({ 3000, 2000 }, { 2880, 1800 }, 2).size(), QSizeF(1440, 900));
    // In 800 × 600 it fits the 752 points between the insets: factor 752 ÷ 2880.
    EXPECT_EQ(AnnotationCanvas::imageRect({ 800, 600 }, { 2880, 1800 }, 2), QRectF(24, 65, 752, 470));
    // Fractions widen outward to whole points.
    EXPECT_EQ(AnnotationCanvas::imageRect({ 800, 600 }, { 1, 1 }, 1), QRectF(399, 299, 2, 2));
    EXPECT_EQ(AnnotationCanvas::imageRect({ 800, 600 }, { 16384, 16384 }, 1), QRectF(124, 24, 552, 552));
    // Nothing fits between the insets, or there is nothing to fit.
    EXPECT_TRUE(AnnotationCanvas::imageRect({ 48, 600 }, { 2880, 1800 }, 2).isEmpty());
    EXPECT_TRUE(AnnotationCanvas::imageRect({ 0, 0 }, { 2880, 1800 }, 2).isEmpty());
    EXPECT_TRUE(AnnotationCanvas::imageRect({ 800, 600 }, { 0, 0 }, 2).isEmpty());
}

TEST(AnnotationCanvas, MapsViewPointsToPixelsWithYUpwardsAndClampsToTheEdges)
{
    Canvas c(EditorShots::plain(2880, 1800), { 800, 600 });
    EXPECT_EQ(c.canvas.imageRect(), QRectF(24, 65, 752, 470));
    // The canvas counts from the bottom: its point (24, 65) is the widget's (24, 535).
    EXPECT_EQ(c.canvas.toCanvas(QPointF(24, 535)), QPointF(24, 65));
    EXPECT_EQ(c.canvas.toWidget(c.canvas.toCanvas(QPointF(3, 7))), QPointF(3, 7));

    EXPECT_EQ(c.canvas.imagePoint({ 24, 65 }), QPointF(0, 0));
    EXPECT_EQ(c.canvas.imagePoint({ 776, 535 }), QPointF(2880, 1800));
    EXPECT_EQ(c.canvas.imagePoint({ 400, 300 }), QPointF(1440, 900));
    EXPECT_EQ(c.canvas.imagePoint({ -1000, 1e12 }), QPointF(0, 1800));
    EXPECT_FALSE(c.canvas.imagePoint({ notANumber, 300 }));
}

// Numbers, arrows, slips of the hand and clicks beside the image are the editor scenario's.
TEST(AnnotationCanvas, AClickBlursOnePointAndADragFromBesideTheImageMakesNothing)
{
    Canvas c(EditorShots::plain(2880, 1800), { 800, 600 });
    const double zoom = 752.0 / 2880;
    c.click(400, 300);
    ASSERT_EQ(c.items().size(), 1u);
    ASSERT_TRUE(c.items()[0].blur());
    EXPECT_EQ(c.items()[0].blur()->points, std::vector<QPointF> { QPointF(1440, 900) });
    EXPECT_DOUBLE_EQ(c.items()[0].blur()->diameter, 36 / zoom);

    c.model.setTool(EditorModel::Tool::Arrow);
    c.press(400, 300);
    c.move(410, 300);
    EXPECT_TRUE(c.canvas.draft());
    c.release(410, 300);
    EXPECT_FALSE(c.canvas.draft());
    EXPECT_EQ(c.items().size(), 2u);

    c.press(10, 300);
    c.move(400, 300);
    c.release(420, 300);
    EXPECT_EQ(c.items().size(), 2u);
    EXPECT_EQ(c.canvas.pointer(), QPointF(400, 300)) << "the pointer still follows the drag";
}

TEST(AnnotationCanvas, StrokesDraggedPastTheEdgeStayOnTheEdge)
{
    Canvas c(EditorShots::plain(2880, 1800), { 800, 600 });
    c.press(400, 300);
    c.move(2000, 300); // far right of the window
    c.move(400, 1100); // above the top
    c.move(-50, -50); // below and left of everything
    c.release(-50, -50);
    ASSERT_EQ(c.items().size(), 1u);
    const auto& points = c.items()[0].blur()->points;
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[1], QPointF(2880, 900));
    EXPECT_EQ(points[2], QPointF(1440, 1800));
    EXPECT_EQ(points[3], QPointF(0, 0));
}

TEST(AnnotationCanvas, RendersTheCommittedLayerOnlyAfterTheMarksOrTheSizeChanged)
{
    Canvas c(EditorShots::make(1200, 800), { 800, 600 });
    EXPECT_EQ(c.canvas.committedRenders(), 1);

    // Hovering and dragging repaint over the cached layer.
    c.move(300, 300);
    c.canvas.repaint();
    c.press(300, 300);
    for (int x = 310; x < 500; x += 10) {
        c.move(x, 320);
        c.canvas.repaint();
    }
    EXPECT_EQ(c.canvas.committedRenders(), 1);

    c.release(500, 320);
    c.canvas.repaint();
    EXPECT_EQ(c.canvas.committedRenders(), 2) << "once for the committed stroke";
    c.model.undo();
    c.canvas.repaint();
    c.canvas.repaint();
    EXPECT_EQ(c.canvas.committedRenders(), 3) << "once after an undo";
    // A bigger window that still shows the shot at its size in points changes nothing.
    c.canvas.resize(900, 700);
    QCoreApplication::processEvents();
    c.canvas.repaint();
    EXPECT_EQ(c.canvas.committedRenders(), 3);
    c.canvas.resize(600, 450);
    QCoreApplication::processEvents();
    c.canvas.repaint();
    c.canvas.repaint();
    EXPECT_EQ(c.canvas.committedRenders(), 4) << "once for a new size";
    c.canvas.resize(600, 450);
    QCoreApplication::processEvents();
    c.canvas.repaint();
    EXPECT_EQ(c.canvas.committedRenders(), 4);
}

TEST(AnnotationCanvas, ADragRepaintedAroundItsNewestStretchLooksAsWhenRepaintedWhole)
{
    Canvas c(EditorShots::make(1200, 800), { 800, 600 });
    // Out to the right and back through the same place, so that old segments cross the repainted area.
    c.press(200, 300);
    for (int x = 200; x <= 600; x += 20)
        c.move(x, 300 + (x % 40));
    for (int x = 600; x >= 300; x -= 20)
        c.move(x, 310 - (x % 40));
    const QImage whole = c.canvas.grab().toImage();
    const QRect around(280, 260, 60, 70); // widget coordinates around the newest stretch
    QImage part = whole.copy();
    part.fill(Qt::magenta);
    c.canvas.render(&part, around.topLeft(), QRegion(around));
    int differing = 0;
    for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x)
            differing += part.pixel(x, y) != whole.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(AnnotationCanvas, PreviewsTheBrushAndShowsTheCrosshairOverTheImageOnly)
{
    Canvas c(EditorShots::plain(2880, 1800), { 800, 600 });
    c.move(400, 300);
    EXPECT_EQ(c.canvas.pointer(), QPointF(400, 300));
    EXPECT_EQ(c.canvas.cursor().shape(), Qt::CrossCursor);
    const QImage withRing = c.canvas.grab().toImage();
    // The white ring of the 36-point brush lies 18 points from the pointer.
    EXPECT_GT(qGray(withRing.pixel(c.at(418, 300))), 170);

    c.move(10, 300); // in the margin beside the image
    EXPECT_EQ(c.canvas.cursor().shape(), Qt::ArrowCursor);
    c.move(400, 300);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&c.canvas, &leave);
    EXPECT_FALSE(c.canvas.pointer());
    EXPECT_LT(qGray(c.canvas.grab().toImage().pixel(c.at(418, 300))), 130) << "no ring once the pointer left";

    // No preview for the other tools.
    c.model.setTool(EditorModel::Tool::Arrow);
    c.move(400, 300);
    EXPECT_LT(qGray(c.canvas.grab().toImage().pixel(c.at(418, 300))), 130);
}

TEST(AnnotationCanvas, BadInputNeitherCrashesNorHangs)
{
    Canvas c(EditorShots::plain(2880, 1800), { 800, 600 });
    // Positions that are not numbers are ignored; huge ones press outside or clamp onto the edge.
    c.send(QEvent::MouseButtonPress, { notANumber, notANumber });
    c.send(QEvent::MouseMove, { notANumber, 100 });
    c.send(QEvent::MouseButtonRelease, { notANumber, notANumber });
    c.send(QEvent::MouseButtonPress, { 1e300, -1e300 });
    c.send(QEvent::MouseButtonRelease, { 1e300, -1e300 });
    EXPECT_TRUE(c.items().empty());
    c.send(QEvent::MouseButtonPress, { 400, 300 });
    c.send(QEvent::MouseMove, { 1e300, -1e300 });
    c.send(QEvent::MouseMove, { notANumber, notANumber });
    c.canvas.repaint();
    c.send(QEvent::MouseButtonRelease, { 1e300, -1e300 });
    ASSERT_EQ(c.items().size(), 1u);
    EXPECT_EQ(c.items()[0].blur()->points.back(), QPointF(2880, 1800));

    // A stroke of 10,000 drag events keeps every point and commits whole.
    c.press(100, 100);
    for (int i = 0; i < 10000; ++i) {
        c.send(QEvent::MouseMove, c.canvas.toWidget(QPointF(100 + (i % 600), 100 + (i / 600) * 20)));
        if (i % 500 == 0)
            c.canvas.repaint();
    }
    c.send(QEvent::MouseButtonRelease, c.canvas.toWidget(QPointF(700, 420)));
    c.canvas.repaint();
    ASSERT_EQ(c.items().size(), 2u);
    EXPECT_EQ(c.items()[1].blur()->points.size(), 10001u);

    // A canvas of no size shows nothing and takes nothing.
    c.canvas.resize(0, 0);
    QCoreApplication::processEvents();
    c.canvas.repaint();
    c.send(QEvent::MouseButtonPress, { 0, 0 });
    c.send(QEvent::MouseButtonRelease, { 0, 0 });
    EXPECT_EQ(c.items().size(), 2u);
}
