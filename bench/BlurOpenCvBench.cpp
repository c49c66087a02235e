#include "ScreenshotBenchSupport.h"
#include "Screenshots/Blur.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

namespace {

// The best general-purpose library on the same picture, sigma and edge rule, with its own threading.
void blurOpenCv(benchmark::State& state)
{
    const QImage& screen = fiveKScreen();
    const double sigma = Blur::sigmaFor(screen.size());
    const cv::Mat source(screen.height(), screen.width(), CV_8UC4, const_cast<uchar*>(screen.constBits()),
        static_cast<size_t>(screen.bytesPerLine()));
    cv::Mat result;
    for (auto _ : state) {
        cv::GaussianBlur(source, result, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(result.data);
    }
    state.counters["sigma"] = sigma;
    state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(blurOpenCv)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
