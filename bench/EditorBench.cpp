// The editor at 5K: a 5120 × 2880 shot at scale 2 in a 1440 × 900-point window at device pixel ratio 2. A
// drag event is measured as the event loop handles it: the canvas takes the event, then the window paints
// what the event marked for repainting.
#include "EditorMarks.h"
#include "ScreenshotBenchSupport.h"
#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

const std::shared_ptr<Shot>& fiveKShot()
{
    static const auto shot
        = std::make_shared<Shot>(fiveKScreen(), ShotRenderer::blurred(fiveKScreen()), 2, std::nullopt);
    return shot;
}

// One editor window's content, shown at 1440 × 900 points.
struct Editor {
    Editor()
        : model(fiveKShot())
        , view(model)
    {
        view.resize(1440, 900);
        view.show();
        settle();
    }
    AnnotationCanvas& canvas() { return *view.canvas(); }
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    void mouse(QEvent::Type type, QPointF canvasPoint)
    {
        const QPointF at = canvas().toWidget(canvasPoint);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, at, at, button, held, Qt::NoModifier);
        QApplication::sendEvent(&canvas(), &event);
    }
    // One drag event, handled and painted.
    void dragTo(QPointF canvasPoint)
    {
        mouse(QEvent::MouseMove, canvasPoint);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    // A point on a wavy line across the picture, the n-th of a stroke.
    QPointF along(int n) const
    {
        const QRectF r = view.canvas()->imageRect();
        const double t = (n % 1000) / 1000.0;
        return { r.left() + r.width() * (0.1 + 0.8 * t),
            r.top() + r.height() * (0.5 + 0.3 * std::sin(n * 0.05)) };
    }
    void startStroke(int points)
    {
        mouse(QEvent::MouseButtonPress, along(0));
        for (int n = 1; n < points; ++n)
            mouse(QEvent::MouseMove, along(n));
        settle();
    }
    void addMarks(int count)
    {
        ::addMarks(model, count);
        settle();
    }
    double backingScale() { return view.window()->windowHandle()->devicePixelRatio(); }

    EditorModel model;
    EditorView view;
};

void blurDragEvent(benchmark::State& state)
{
    Editor editor;
    const int existing = static_cast<int>(state.range(0));
    editor.startStroke(existing);
    int n = existing;
    for (auto _ : state) {
        editor.dragTo(editor.along(n++));
        // The stroke keeps close to its length: now and then it is committed and a fresh one begun.
        if (n - existing >= 200) {
            state.PauseTiming();
            editor.mouse(QEvent::MouseButtonRelease, editor.along(n));
            editor.model.undo();
            editor.startStroke(existing);
            n = existing;
            state.ResumeTiming();
        }
    }
    state.counters["dpr"] = editor.backingScale();
}
BENCHMARK(blurDragEvent)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

void arrowDragEvent(benchmark::State& state)
{
    Editor editor;
    editor.model.setTool(EditorModel::Tool::Arrow);
    editor.startStroke(2);
    int n = 2;
    for (auto _ : state)
        editor.dragTo(editor.along(n++));
    state.counters["dpr"] = editor.backingScale();
}
BENCHMARK(arrowDragEvent)->Unit(benchmark::kMillisecond);

// For comparison: the same drag event when the whole canvas is repainted instead of the area it changed.
void blurDragEventWholeRepaint(benchmark::State& state)
{
    Editor editor;
    editor.startStroke(500);
    int n = 500;
    for (auto _ : state) {
        editor.mouse(QEvent::MouseMove, editor.along(n++));
        editor.canvas().repaint();
    }
}
BENCHMARK(blurDragEventWholeRepaint)->Unit(benchmark::kMillisecond);

// The committed layer of 50 marks rendered anew after an undo, and the window painted with it.
void rerenderAfterUndo(benchmark::State& state)
{
    Editor editor;
    editor.addMarks(51);
    const int before = editor.canvas().committedRenders();
    bool undo = true;
    for (auto _ : state) {
        if (undo)
            editor.model.undo();
        else
            editor.model.redo();
        undo = !undo;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    state.counters["renders"]
        = benchmark::Counter(editor.canvas().committedRenders() - before, benchmark::Counter::kAvgIterations);
}
BENCHMARK(rerenderAfterUndo)->Unit(benchmark::kMillisecond);

void renderFullImage(benchmark::State& state)
{
    Editor editor;
    editor.addMarks(50);
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.model.render());
}
BENCHMARK(renderFullImage)->Unit(benchmark::kMillisecond);

} // namespace
