#include "ScreenshotBenchSupport.h"
#include "Screenshots/Blur.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

QByteArray fiveKPng()
{
    static const QByteArray bytes = *ShotRenderer::png(fiveKScreen(), 2);
    return bytes;
}

void blurOurs(benchmark::State& state)
{
    const QImage& screen = fiveKScreen();
    const double sigma = Blur::sigmaFor(screen.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(Blur::gaussian(screen, sigma));
    state.counters["sigma"] = sigma;
}
// CPU time is that of both threads, a figure that a busy machine distorts less than the wall clock.
BENCHMARK(blurOurs)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void shotFrom5KPng(benchmark::State& state)
{
    const QByteArray png = fiveKPng();
    for (auto _ : state)
        benchmark::DoNotOptimize(Shot::create(png, std::nullopt, 2)->blurred());
    state.counters["pngMB"] = png.size() / 1e6;
}
BENCHMARK(shotFrom5KPng)->Unit(benchmark::kMillisecond)->UseRealTime();

// The PNG of a finished edit: ours (argument 0) against Qt's writer at the quality such files had before
// (argument 70: zlib level 2 with adaptive filters).
void pngAt5K(benchmark::State& state)
{
    const QImage& screen = fiveKScreen();
    const int quality = static_cast<int>(state.range(0));
    qsizetype size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        if (quality == 0) {
            // Handed over unshared, as a finished edit's render is: tagged in place, not copied.
            state.PauseTiming();
            QImage rendered = screen.copy();
            state.ResumeTiming();
            const auto encoded = ShotRenderer::encode(std::move(rendered), 2);
            bytes = encoded ? encoded->png : QByteArray();
        } else {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            writer.setQuality(quality);
            writer.write(screen);
        }
        size = bytes.size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["MB"] = size / 1e6;
}
BENCHMARK(pngAt5K)->Arg(0)->Arg(70)->Unit(benchmark::kMillisecond)->UseRealTime();

void fiftyAnnotationsAt5K(benchmark::State& state)
{
    const auto shot = Shot::create(fiveKPng(), std::nullopt, 2);
    std::vector<Annotation> annotations;
    for (int i = 0; i < 50; ++i) {
        const QPointF at(200 + (i % 10) * 480, 300 + (i / 10) * 500);
        if (i % 3 == 0)
            annotations.push_back(
                Annotation::Blur { { at, at + QPointF(300, 40), at + QPointF(420, 160) }, 60 });
        else if (i % 3 == 1)
            annotations.push_back(Annotation::Arrow { at, at + QPointF(350, 220) });
        else
            annotations.push_back(Annotation::Number { at, i });
    }
    QImage canvas(shot->image().size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&canvas);
        ShotRenderer::draw(*shot, annotations, painter, QRectF(canvas.rect()), true);
    }
}
BENCHMARK(fiftyAnnotationsAt5K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
