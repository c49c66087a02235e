// From the moment the area tool has exited, its PNG lying in the temporary folder, to the PNG on the
// pasteboard and the thumbnail on screen: the real controller on the real event loop, with the work it sends
// off the main thread. Then the same road in its parts. Argument: the capture's width, 2880 (a 2880 × 1800
// screen) or 5120 (5120 × 2880).
#include "App/AppController.h"
#include "Clipboard/Paster.h"
#include "EditorMarks.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/ImageReading.h"
#include "Foundation/RegularFile.h"
#include "Platform/Processes.h"
#include "Platform/Simulated/SimulatedPlatform.h"
#include "ScreenshotBenchSupport.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/ScreenshotEditor.h"
#include "Screenshots/ScreenshotFiles.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

QSize captureSize(std::int64_t width)
{
    return width == 5120 ? QSize(5120, 2880) : QSize(2880, 1800);
}

// What the area tool writes: the screen picture at Qt's default PNG compression, as such tools use.
const QByteArray& toolPng(QSize size)
{
    static std::map<int, QByteArray> made;
    auto& bytes = made[size.width()];
    if (bytes.isEmpty()) {
        QImage picture = fiveKScreen().copy(QRect(QPoint(), size));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    return bytes;
}

// The area tool: writes the picture where it was told and exits on the next turn of the event loop,
// noting that moment.
class Tool final : public Processes {
public:
    explicit Tool(Scheduler& scheduler)
        : m_scheduler(scheduler)
    { }
    std::shared_ptr<Running> start(const QString&, const QStringList& arguments, ExitHandler onExit) override
    {
        QFile file(arguments.last());
        if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
            return nullptr;
        file.close();
        m_scheduler.post([this, onExit] {
            exited = clock.nsecsElapsed();
            onExit(0);
        });
        return std::make_shared<Ended>();
    }
    bool startDetached(const QString&, const QStringList&) override { return false; }

    QByteArray png;
    QElapsedTimer clock;
    qint64 exited = 0;

private:
    class Ended final : public Running {
    public:
        bool isRunning() const override { return false; }
        void terminate() override { }
    };
    Scheduler& m_scheduler;
};

// The clock and the home folder, made before the machine that runs on them.
struct Ground {
    QTemporaryDir home;
    EventLoopScheduler scheduler;
};

struct Machine : Ground, SimulatedPlatform {
    Machine()
        : SimulatedPlatform(scheduler, home.path())
    { }

    Tool tool { scheduler };
    AppController controller { platform({ .processes = &tool }) };
};

// Notes when a window is first shown and first painted.
class WindowWatch final : public QObject {
public:
    explicit WindowWatch(const QElapsedTimer& clock)
        : m_clock(clock)
    { }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType())
            return false;
        if (event->type() == QEvent::Show && static_cast<QWidget*>(watched)->isWindow() && !shown)
            shown = m_clock.nsecsElapsed();
        else if (event->type() == QEvent::Paint && shown && !painted)
            painted = m_clock.nsecsElapsed();
        return false;
    }
    qint64 shown = 0;
    qint64 painted = 0;

private:
    const QElapsedTimer& m_clock;
};

// The whole road. Times are from the tool's exit; the longest stall is the longest the event loop went
// without turning (a 1 ms timer's largest gap, less its millisecond).
void captureToThumbnail(benchmark::State& state)
{
    Machine machine;
    machine.screenAccess.setGranted(true);
    machine.tool.png = toolPng(captureSize(state.range(0)));
    machine.tool.clock.start();
    double copied = 0, shown = 0, painted = 0, stall = 0, runs = 0;
    qint64 copyAt = 0;
    machine.pasteboard.onWrite
        = [&](PasteboardSimulated::Writer) { copyAt = machine.tool.clock.nsecsElapsed(); };
    WindowWatch watch(machine.tool.clock);
    qApp->installEventFilter(&watch);
    for (auto _ : state) {
        QEventLoop loop;
        qint64 lastTick = 0;
        double longest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = machine.tool.clock.nsecsElapsed();
            if (machine.tool.exited && lastTick)
                longest = std::max(longest, (now - std::max(lastTick, machine.tool.exited)) / 1e6 - 1);
            lastTick = now;
            if (watch.painted && !machine.controller.capturing())
                loop.quit();
        });
        machine.tool.exited = 0;
        watch.shown = watch.painted = 0;
        ticker.start();
        machine.controller.takeScreenshot();
        loop.exec();
        ticker.stop();
        const double exited = machine.tool.exited;
        state.SetIterationTime((watch.shown - exited) / 1e9);
        copied += (copyAt - exited) / 1e6;
        shown += (watch.shown - exited) / 1e6;
        painted += (watch.painted - exited) / 1e6;
        stall = std::max(stall, longest);
        ++runs;
        machine.controller.thumbnail().close();
        QDir(machine.paths.desktop()).removeRecursively();
    }
    qApp->removeEventFilter(&watch);
    state.counters["pasteboard_ms"] = copied / runs;
    state.counters["thumbnail_ms"] = shown / runs;
    state.counters["painted_ms"] = painted / runs;
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(captureToThumbnail)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseManualTime();

// The main-thread steps before the work goes off it: the move into the folder on the same file system
// (a rename) or from the runtime folder's tmpfs onto the disk (a copy), and reading the file back.
void moveAndRead(benchmark::State& state)
{
    const QByteArray& png = toolPng(captureSize(state.range(0)));
    const bool acrossFileSystems = state.range(1) != 0;
    QTemporaryDir shared(QStringLiteral("/dev/shm/drimo-bench-XXXXXX"));
    QTemporaryDir disk;
    const QString source = (acrossFileSystems ? shared.path() : disk.path()) + QStringLiteral("/capture.png");
    for (auto _ : state) {
        state.PauseTiming();
        QFile file(source);
        file.open(QIODevice::WriteOnly);
        file.write(png);
        file.close();
        state.ResumeTiming();
        const auto placed = ScreenshotFiles::move(
            source, disk.path() + QStringLiteral("/shots"), QDateTime::currentDateTime());
        const QString moved = placed.path.value_or(QString());
        benchmark::DoNotOptimize(RegularFile::bytes(moved, ScreenshotFlow::maximumCaptureBytes));
        state.PauseTiming();
        QFile::remove(moved);
        state.ResumeTiming();
    }
    state.counters["pngMB"] = png.size() / 1e6;
}
BENCHMARK(moveAndRead)
    ->Args({ 2880, 0 })
    ->Args({ 2880, 1 })
    ->Args({ 5120, 0 })
    ->Args({ 5120, 1 })
    ->Unit(benchmark::kMillisecond);

// Off the main thread: decoding, the blurred copy, and the TIFF copy for the pasteboard.
void decode(benchmark::State& state)
{
    const QByteArray& png = toolPng(captureSize(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageReading::read(png).convertToFormat(QImage::Format_RGB32));
}
BENCHMARK(decode)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();

void blur(benchmark::State& state)
{
    const QImage picture = fiveKScreen().copy(QRect(QPoint(), captureSize(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(ShotRenderer::blurred(picture));
}
BENCHMARK(blur)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();

void pasteboardItem(benchmark::State& state)
{
    const QByteArray& png = toolPng(captureSize(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Paster::imageItem(png));
}
BENCHMARK(pasteboardItem)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();

// Back on the main thread: the thumbnail's scaled picture and window.
void showThumbnail(benchmark::State& state)
{
    Machine machine;
    const QImage picture = fiveKScreen().copy(QRect(QPoint(), captureSize(state.range(0))));
    const auto shot = std::make_shared<Shot>(picture, picture, 2);
    for (auto _ : state) {
        machine.controller.thumbnail().show(shot, [] {});
        QCoreApplication::processEvents();
        state.PauseTiming();
        machine.controller.thumbnail().close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(showThumbnail)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();

// Not on the capture road, but what "Готово" waits for: the marked picture encoded for the file.
void encodeFinished(benchmark::State& state)
{
    const QImage picture = fiveKScreen().copy(QRect(QPoint(), captureSize(state.range(0))));
    for (auto _ : state) {
        // Handed over unshared, as a finished edit's render is: tagged in place, not copied.
        state.PauseTiming();
        QImage rendered = picture.copy();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ShotRenderer::encode(std::move(rendered), 2));
    }
}
BENCHMARK(encodeFinished)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the press of "Готово" on a shot with 50 marks to the file written and the PNG on the pasteboard:
// the real controller and editor on the real event loop. Measured is the longest the event loop went
// without turning, the press itself included. Argument: the shot's width, as above.
void finishEdit(benchmark::State& state)
{
    Machine machine;
    const QImage picture = fiveKScreen().copy(QRect(QPoint(), captureSize(state.range(0))));
    const QImage blurred = ShotRenderer::blurred(picture);
    QElapsedTimer clock;
    clock.start();
    qint64 copyAt = 0, writtenAt = 0;
    machine.pasteboard.onWrite = [&](PasteboardSimulated::Writer) { copyAt = clock.nsecsElapsed(); };
    QObject::connect(&machine.controller, &AppController::screenshotFileWritten,
        [&](const QString&) { writtenAt = clock.nsecsElapsed(); });
    double stall = 0, press = 0, finished = 0, runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto shot = std::make_shared<Shot>(picture, blurred, 2);
        machine.controller.edit(shot);
        QWidget* window = machine.controller.editor().windows().back();
        EditorModel& model = *machine.controller.editor().model(window);
        addMarks(model, 50);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        copyAt = writtenAt = 0;
        QEventLoop loop;
        qint64 lastTick = 0, pressed = 0;
        double longest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (pressed && lastTick)
                longest = std::max(longest, (now - std::max(lastTick, pressed)) / 1e6 - 1);
            lastTick = now;
            if (copyAt && writtenAt)
                loop.quit();
        });
        ticker.start();
        QTimer::singleShot(5, [&] {
            pressed = clock.nsecsElapsed();
            machine.controller.editor().view(window)->doneButton()->click();
            press = std::max(press, (clock.nsecsElapsed() - pressed) / 1e6);
        });
        loop.exec();
        ticker.stop();
        stall = std::max(stall, longest);
        finished += (std::max(copyAt, writtenAt) - pressed) / 1e6;
        ++runs;
        state.PauseTiming();
        for (QWidget* open : std::vector<QWidget*>(machine.controller.editor().windows()))
            delete open;
        QDir(machine.paths.desktop()).removeRecursively();
        state.ResumeTiming();
    }
    state.counters["written_ms"] = finished / runs;
    state.counters["press_ms"] = press;
    state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(finishEdit)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
