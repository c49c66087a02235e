#include "Foundation/Sha256.h"

#include <QCryptographicHash>

#include <benchmark/benchmark.h>

namespace {

const QByteArray& fiftyMegabytes()
{
    static const QByteArray data = [] {
        QByteArray bytes(50'000'000, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 2654435761u) >> 24);
        return bytes;
    }();
    return data;
}

void Sha256OpenSsl(benchmark::State& state)
{
    const QByteArray& data = fiftyMegabytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(Sha256::digest(data));
    state.SetBytesProcessed(state.iterations() * data.size());
}

void Sha256QCryptographicHash(benchmark::State& state)
{
    const QByteArray& data = fiftyMegabytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(QCryptographicHash::hash(data, QCryptographicHash::Sha256));
    state.SetBytesProcessed(state.iterations() * data.size());
}

} // namespace

BENCHMARK(Sha256OpenSsl)->Unit(benchmark::kMillisecond);
BENCHMARK(Sha256QCryptographicHash)->Unit(benchmark::kMillisecond);
