#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/HistoryIndex.h"
#include "Clipboard/ImageDecoding.h"
#include "Clipboard/PasteboardCapture.h"
#include "Clipboard/Paster.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/Sha256.h"
#include "Foundation/Uuid.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "ScreenshotBenchSupport.h"
#include "Support/AppSettings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray text(qsizetype size, char variant)
{
    QByteArray bytes(size, 'x');
    for (qsizetype i = 0; i < size; i += 61)
        bytes[i] = i % 122 == 0 ? '\n' : 'a' + static_cast<char>((i / 61) % 26);
    bytes[0] = variant;
    return bytes;
}

QByteArray screenshotPng()
{
    QImage image(5120, 2880, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x / 40) * 9 & 255, (y / 30) * 7 & 255, (x ^ y) & 0x3f);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void copyOne(PasteboardSimulated& pasteboard, const QString& type, const QByteArray& data)
{
    PasteboardItem item;
    item.setData(type, data);
    pasteboard.userCopy({ item });
}

// As the program records it, the index written by a worker: the time is until the entry is listed with its
// files complete, the index's own write left to the worker as it is for any change.
void RecordTextCopy40MB(benchmark::State& state)
{
    QTemporaryDir dir;
    VirtualScheduler clock;
    ClipboardHistory history(dir.filePath(QStringLiteral("History")), clock, nullptr,
        state.range(0) != 0 ? HistorySaver::Mode::Background : HistorySaver::Mode::Immediate);
    PasteboardSimulated pasteboard;
    const QByteArray variants[2] = { text(40'000'000, 'A'), text(40'000'000, 'B') };
    int n = 0;
    for (auto _ : state) {
        copyOne(pasteboard, PasteboardTypes::plainText, variants[n++ % 2]);
        // Each copy must be new to the history, or it would only be moved to the top.
        state.PauseTiming();
        history.clear();
        history.flush();
        state.ResumeTiming();
        // As the monitor records it: the copy taken, made into a capture, and its files written.
        const auto capture = PasteboardCapture::of(*PasteboardCapture::take(pasteboard));
        history.add(*capture, std::nullopt);
    }
    state.SetBytesProcessed(state.iterations() * 40'000'000);
}

void writeSameBytes(benchmark::State& state, bool durable)
{
    QTemporaryDir dir;
    const QByteArray bytes = text(40'000'000, 'A');
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("plain")));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())));
        if (durable)
            ::fsync(fd);
        ::close(fd);
        state.PauseTiming();
        ::unlink(path.constData());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * 40'000'000);
}

// Into the page cache only, and all the way to the disk.
void WriteSameBytesToDisk40MB(benchmark::State& state)
{
    writeSameBytes(state, false);
}
void WriteSameBytesToDiskDurably40MB(benchmark::State& state)
{
    writeSameBytes(state, true);
}

void RecordScreenshotPng5K(benchmark::State& state)
{
    QTemporaryDir dir;
    VirtualScheduler clock;
    ClipboardHistory history(dir.filePath(QStringLiteral("History")), clock);
    PasteboardSimulated pasteboard;
    const QByteArray png = screenshotPng();
    state.counters["png_bytes"] = static_cast<double>(png.size());
    for (auto _ : state) {
        copyOne(pasteboard, PasteboardTypes::png, png);
        state.PauseTiming();
        history.clear();
        state.ResumeTiming();
        const auto capture = PasteboardCapture::read(pasteboard);
        history.add(*capture, std::nullopt);
    }
}

// A screenshot as the app copies it after a capture: a screen-like picture of that width (2880 × 1800 or
// 5120 × 2880) as PNG, with the TIFF copy beside it.
const PasteboardItem& copiedScreenshot(std::int64_t width)
{
    static std::map<std::int64_t, PasteboardItem> made;
    auto& item = made[width];
    if (item.representations.empty()) {
        const QSize size = width == 5120 ? QSize(5120, 2880) : QSize(2880, 1800);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        fiveKScreen().copy(QRect(QPoint(), size)).save(&buffer, "PNG");
        item = Paster::imageItem(png);
    }
    return item;
}

double millisecondsSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The monitor on the real event loop, from the copy to the entry in the history: how long the main thread
// is held, in the poll and in the longest stretch without a turn of the event loop (ticks are 1 ms apart),
// while the iteration's time is how long the entry takes to appear.
void RecordCopiedScreenshot(benchmark::State& state)
{
    QTemporaryDir dir;
    EventLoopScheduler scheduler;
    ClipboardHistory history(dir.filePath(QStringLiteral("History")), scheduler);
    PasteboardSimulated pasteboard;
    WorkspaceSimulated workspace;
    UserDefaultsStoreSimulated defaults;
    AppSettings settings(defaults);
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    const PasteboardItem& item = copiedScreenshot(state.range(0));
    state.counters["png_mb"] = static_cast<double>(item.data(PasteboardTypes::png)->size()) / 1e6;
    double polls = 0, stalls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        history.clear();
        Paster::copyImage(item, pasteboard);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        monitor.poll();
        const double poll = millisecondsSince(clock);
        double longest = 0, lastTick = millisecondsSince(clock);
        QEventLoop loop;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double now = millisecondsSince(clock);
            longest = std::max(longest, now - lastTick - 1);
            lastTick = now;
            if (!history.items().empty())
                loop.quit();
        });
        ticker.start();
        loop.exec();
        polls += poll;
        stalls += longest;
    }
    state.counters["poll_ms"] = polls / static_cast<double>(state.iterations());
    state.counters["stall_ms"] = stalls / static_cast<double>(state.iterations());
}

// The same recording in its parts, each timed on its own: reading the pasteboard, the title from the
// header, the thumbnail (decoding and scaling), the fingerprint, the entry's files and the index.
void RecordCopiedScreenshotParts(benchmark::State& state)
{
    QTemporaryDir dir;
    VirtualScheduler clock;
    ClipboardHistory history(dir.filePath(QStringLiteral("History")), clock);
    PasteboardSimulated pasteboard;
    Paster::copyImage(copiedScreenshot(state.range(0)), pasteboard);
    // A few entries already listed, as the index usually holds.
    for (int i = 0; i < 10; ++i) {
        PasteboardSimulated other;
        copyOne(
            other, PasteboardTypes::plainText, QByteArrayLiteral("earlier copy ") + QByteArray::number(i));
        history.add(*PasteboardCapture::read(other), std::nullopt);
    }
    std::map<const char*, double> parts;
    int n = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray png = *pasteboard.items().front().data(PasteboardTypes::png);
        parts["read_ms"] += millisecondsSince(timer);
        timer.restart();
        benchmark::DoNotOptimize(PasteboardCapture::imageTitle(png));
        parts["title_ms"] += millisecondsSince(timer);
        timer.restart();
        const auto thumbnail = ImageDecoding::thumbnailPng(png, PasteboardCapture::thumbnailMaxPixelSize);
        parts["thumbnail_ms"] += millisecondsSince(timer);
        timer.restart();
        benchmark::DoNotOptimize(PasteboardCapture::fingerprintOf(ClipboardItem::Kind::Image, png));
        parts["fingerprint_ms"] += millisecondsSince(timer);
        timer.restart();
        const QString folder = dir.filePath(QStringLiteral("entry-") + QString::number(n++));
        QDir().mkdir(folder);
        for (const auto& [name, bytes] :
            { std::pair { "/0-0", png }, std::pair { "/thumb.png", *thumbnail } }) {
            QFile file(folder + QLatin1String(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
        }
        QDir().rename(folder, folder + QStringLiteral("-done"));
        parts["files_ms"] += millisecondsSince(timer);
        timer.restart();
        history.touch(history.items().back());
        parts["index_ms"] += millisecondsSince(timer);
        state.PauseTiming();
        QDir(folder + QStringLiteral("-done")).removeRecursively();
        state.ResumeTiming();
    }
    for (const auto& [name, total] : parts)
        state.counters[name] = total / static_cast<double>(state.iterations());
}

// Resident memory of this process now, in megabytes.
double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1
        ? fields[1].toDouble() * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024 * 1024)
        : 0;
}

// A history of short entries on disk (the argument says how many), as a heavy user with no limit would have.
// Built once per size and shared: every benchmark leaves it as it found it, and 100,000 folders take minutes
// to create.
class LargeHistory : public benchmark::Fixture {
public:
    void SetUp(benchmark::State& state) override
    {
        // DRIMO_BENCH_HISTORIES names a folder where the histories are kept from one run to the next.
        const QString kept = qEnvironmentVariable("DRIMO_BENCH_HISTORIES");
        if (!kept.isEmpty()) {
            const QString folder = kept + u'/' + QString::number(state.range(0));
            if (!QFileInfo::exists(folder + QStringLiteral("/History/index.json"))) {
                const auto made = create(static_cast<int>(state.range(0)));
                QDir().mkpath(kept);
                QDir().rename(made->path(), folder);
            }
            m_directory = folder + QStringLiteral("/History");
            return;
        }
        static std::map<std::int64_t, std::unique_ptr<QTemporaryDir>> built;
        auto& dir = built[state.range(0)];
        if (!dir)
            dir = create(static_cast<int>(state.range(0)));
        m_directory = dir->filePath(QStringLiteral("History"));
    }
    const QString& directory() const { return m_directory; }

protected:
    static std::unique_ptr<QTemporaryDir> create(int size)
    {
        // Written directly: recording every copy one by one would rewrite the index as many times.
        auto dir = std::make_unique<QTemporaryDir>();
        const QString history = dir->filePath(QStringLiteral("History"));
        QDir().mkpath(history);
        std::vector<ClipboardItem> items;
        for (int i = 0; i < size; ++i) {
            ClipboardItem item;
            item.id = Uuid::create();
            item.date = 788'918'400.0 - i * 61.7;
            item.kind = ClipboardItem::Kind::Text;
            // Most copies are short, a quarter are paragraphs, and a few reach the 2,000-character cap.
            const int length = i % 50 == 0 ? 2000 : i % 4 == 0 ? 400 : 60;
            item.preview = QStringLiteral("Запись номер %1 with some ordinary text after it. ")
                               .arg(i)
                               .repeated(40)
                               .left(length);
            item.itemTypes = { { QStringLiteral("public.utf8-plain-text"), QStringLiteral("public.rtf") } };
            item.fingerprint = QString::fromLatin1(Sha256::hexDigest(item.preview.toUtf8()));
            item.sourceBundleID = QStringLiteral("com.apple.TextEdit");
            const QString folder = history + u'/' + item.id;
            QDir().mkdir(folder);
            QFile data(folder + QStringLiteral("/0-0"));
            data.open(QIODevice::WriteOnly);
            data.write(item.preview.toUtf8());
            items.push_back(std::move(item));
        }
        QFile index(history + QStringLiteral("/index.json"));
        index.open(QIODevice::WriteOnly);
        index.write(HistoryIndex::encode(items));
        return dir;
    }

    VirtualScheduler m_clock;
    QString m_directory;
};

// The time until the program can use the history; "whole_ms" is until every entry is listed, and
// "stall_ms" the longest the event loop is held meanwhile.
BENCHMARK_DEFINE_F(LargeHistory, Load)(benchmark::State& state)
{
    const double before = residentMegabytes();
    double loaded = before;
    double whole = 0;
    double stall = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        ClipboardHistory history(directory(), m_clock, nullptr, HistorySaver::Mode::Background);
        const qsizetype first = history.items().size();
        benchmark::DoNotOptimize(first);
        state.PauseTiming();
        bool listed = first == state.range(0);
        QObject::connect(&history, &ClipboardHistory::listChanged, [&] { listed = true; });
        while (!listed && timer.elapsed() < 10000) {
            QThread::msleep(5);
            QElapsedTimer step;
            step.start();
            QCoreApplication::processEvents();
            stall = std::max(stall, millisecondsSince(step));
        }
        whole += millisecondsSince(timer);
        loaded = std::max(loaded, residentMegabytes());
        state.ResumeTiming();
    }
    // What the loaded history itself adds, and the whole process with it.
    state.counters["history_mb"] = loaded - before;
    state.counters["process_mb"] = loaded;
    state.counters["whole_ms"] = whole / static_cast<double>(state.iterations());
    state.counters["stall_ms"] = stall;
}

BENCHMARK_DEFINE_F(LargeHistory, DecodeIndex)(benchmark::State& state)
{
    QFile file(directory() + QStringLiteral("/index.json"));
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    state.counters["index_bytes"] = static_cast<double>(bytes.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(HistoryIndex::decode(bytes));
}

BENCHMARK_DEFINE_F(LargeHistory, EncodeIndex)(benchmark::State& state)
{
    ClipboardHistory history(directory(), m_clock);
    // As a save makes it: in pieces, each handed on before the next is made.
    const std::span<const ClipboardItem> items(history.items());
    for (auto _ : state) {
        qsizetype bytes = 0;
        HistoryIndex::encode({ items }, [&bytes](QByteArrayView piece) {
            bytes += piece.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
}

// A copy recorded, as the program records it: the index is written by a worker. The time is the main
// thread's, with the writer done with the change before (copies come seconds apart); "on_disk_ms" is how
// long after the change the index on disk lists it, measured apart.
BENCHMARK_DEFINE_F(LargeHistory, Add)(benchmark::State& state)
{
    ClipboardHistory history(directory(), m_clock, nullptr, HistorySaver::Mode::Background);
    history.apply(HistoryLimit::All);
    history.flush();
    PasteboardSimulated pasteboard;
    int n = 0;
    const auto capture = [&] {
        copyOne(
            pasteboard, PasteboardTypes::plainText, QByteArrayLiteral("new copy ") + QByteArray::number(n++));
        return *PasteboardCapture::read(pasteboard);
    };
    for (auto _ : state) {
        state.PauseTiming();
        const PasteboardCapture copy = capture();
        state.ResumeTiming();
        history.add(copy, std::nullopt);
        state.PauseTiming();
        history.remove(history.items().front()); // back to the fixture's size
        history.flush();
        state.ResumeTiming();
    }
    double onDisk = 0;
    constexpr int rounds = 3;
    for (int round = 0; round < rounds; ++round) {
        const PasteboardCapture copy = capture();
        QElapsedTimer timer;
        timer.start();
        history.add(copy, std::nullopt);
        history.flush();
        onDisk += millisecondsSince(timer);
        history.remove(history.items().front());
        history.flush();
    }
    state.counters["on_disk_ms"] = onDisk / rounds;
}

BENCHMARK_DEFINE_F(LargeHistory, Touch)(benchmark::State& state)
{
    ClipboardHistory history(directory(), m_clock, nullptr, HistorySaver::Mode::Background);
    for (auto _ : state) {
        history.touch(history.items().back()); // the oldest: the longest move
        state.PauseTiming();
        history.flush();
        state.ResumeTiming();
    }
}

} // namespace

// 0: the index written at once, as tests do; 1: by a worker, as the program does.
BENCHMARK(RecordTextCopy40MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteSameBytesToDisk40MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteSameBytesToDiskDurably40MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RecordScreenshotPng5K)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordCopiedScreenshot)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RecordCopiedScreenshotParts)->Arg(2880)->Arg(5120)->Unit(benchmark::kMillisecond);
// 10,000 entries, and 100,000 with the limit "Все": the most a history is expected to hold.
BENCHMARK_REGISTER_F(LargeHistory, Load)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_REGISTER_F(LargeHistory, DecodeIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(LargeHistory, EncodeIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(LargeHistory, Add)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(LargeHistory, Touch)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
