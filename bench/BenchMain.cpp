#include <QApplication>

#include <benchmark/benchmark.h>

// Every benchmark runs inside a Qt application on the offscreen platform: widgets, fonts and the event loop
// behave as in the program, and no display is needed.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef DRIMO_BENCH_SCALE_FACTOR
    // A Retina-like display where the figures depend on device pixels.
    qputenv("QT_SCALE_FACTOR", DRIMO_BENCH_SCALE_FACTOR);
#endif
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
