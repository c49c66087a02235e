#include "Picker/HistoryPanel.h"
#include "Picker/KeyablePanel.h"
#include "Platform/Simulated/ScreensSimulated.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include <time.h>

namespace {

const double now = 800'000'000.0;

double threadMilliseconds()
{
    timespec time {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

// A history as a heavy user would collect it: mostly short snippets in Russian and English, some
// paragraphs, a few previews at the 2,000-character cap, images and file lists.
QList<ClipboardItem> largeHistory(int historySize)
{
    static const QStringList words { QStringLiteral("договор"), QStringLiteral("встреча"),
        QStringLiteral("отчёт"), QStringLiteral("Москва"), QStringLiteral("квартал"),
        QStringLiteral("release"), QStringLiteral("merge"), QStringLiteral("https://example.org/a/b"),
        QStringLiteral("ПРИВЕТ"), QStringLiteral("Straße"), QStringLiteral("42"), QStringLiteral("функция"),
        QStringLiteral("clipboard"), QStringLiteral("письмо") };
    std::mt19937 random(7);
    QList<ClipboardItem> items;
    items.reserve(historySize);
    for (int n = 0; n < historySize; ++n) {
        ClipboardItem item;
        item.id = QStringLiteral("BENCH-%1").arg(n);
        item.date = now - 37.0 * n;
        const auto roll = random() % 100;
        if (roll < 8) {
            item.kind = ClipboardItem::Kind::Image;
            item.preview = QStringLiteral("Снимок экрана %1").arg(n);
        } else if (roll < 13) {
            item.kind = ClipboardItem::Kind::Files;
            item.preview = QStringLiteral("Документ %1.pdf, Таблица %1.xlsx").arg(n);
        } else {
            const auto length = roll < 15 ? 2000 : roll < 40 ? 400 : 60;
            QString text;
            while (text.size() < length)
                text += words[static_cast<qsizetype>(random() % words.size())] + QLatin1Char(' ');
            item.preview = text.left(length).trimmed();
        }
        item.fingerprint = QString::number(n).rightJustified(64, QLatin1Char('0'));
        items.push_back(item);
    }
    return items;
}

std::optional<QImage> smallThumbnail(const ClipboardItem& item)
{
    if (item.kind != ClipboardItem::Kind::Image)
        return std::nullopt;
    QImage image(96, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::darkCyan);
    return image;
}

// Two large histories that differ only in their oldest entry, handed out in turn: what the controller
// passes on successive openings when one copy was made in between.
class ChangingHistory {
public:
    explicit ChangingHistory(int size)
        : m_first(largeHistory(size))
    { }
    const QList<ClipboardItem>& next()
    {
        m_flip = !m_flip;
        return m_flip ? m_second : m_first;
    }

private:
    QList<ClipboardItem> m_first;
    QList<ClipboardItem> m_second = [this] {
        auto items = m_first;
        items.back().date -= 1;
        return items;
    }();
    bool m_flip = true;
};

struct OpenPicker {
    ScreensSimulated screens;
    HistoryPanel panel { screens, [] { return QRectF(200, 600, 1, 18); }, [] { return now; } };
};

// Paints the whole window as the screen would get it; rendering into an image does not depend on the
// offscreen window having been exposed yet.
void paint(HistoryPanel& panel)
{
    static QImage frame(440, 486, QImage::Format_ARGB32_Premultiplied);
    panel.window()->render(&frame);
}

// The controller hands over the history on every opening; the second list differs only in its oldest
// entry, so every opening compares the whole list and then rebuilds the rows.
void ShowResetAndFirstPaint(benchmark::State& state)
{
    OpenPicker picker;
    ChangingHistory history(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        picker.panel.show(history.next(), smallThumbnail, nullptr, nullptr);
        paint(picker.panel);
        state.PauseTiming();
        picker.panel.close();
        state.ResumeTiming();
    }
}

// Typing one more letter of a query, and taking it back, each filtering every preview.
void FilterKeystroke(benchmark::State& state)
{
    OpenPicker picker;
    picker.panel.show(largeHistory(static_cast<int>(state.range(0))), smallThumbnail, nullptr, nullptr);
    PickerKey letter;
    letter.keyCode = 0;
    letter.characters = QStringLiteral("о");
    picker.panel.handle(letter);
    letter.characters = QStringLiteral("т");
    PickerKey erase;
    erase.keyCode = KeyCodes::deleteKey;
    bool typing = true;
    for (auto _ : state) {
        picker.panel.handle(typing ? letter : erase);
        paint(picker.panel);
        typing = !typing;
    }
    benchmark::DoNotOptimize(picker.panel.model().visibleCount());
}

// The first letter typed after opening a history that changed in its oldest entry only.
void firstKeystroke(benchmark::State& state, bool afterIdleMoment)
{
    OpenPicker picker;
    ChangingHistory history(static_cast<int>(state.range(0)));
    PickerKey letter;
    letter.characters = QStringLiteral("О");
    double whole = 0, longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        picker.panel.show(history.next(), smallThumbnail, nullptr, nullptr);
        paint(picker.panel);
        // The idle moments after the first paint ready the search, a slice in each.
        if (afterIdleMoment)
            while (!picker.panel.model().searchReady())
                QCoreApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        picker.panel.handle(letter);
        paint(picker.panel);
        // How long until every row the letter matches is listed, the idle moments' slices included, and the
        // longest of those moments.
        state.PauseTiming();
        while (!picker.panel.model().searchComplete()) {
            // In the thread's own time: on a busy machine the wall clock counts other programs' turns too.
            const double before = threadMilliseconds();
            QCoreApplication::processEvents();
            longest = std::max(longest, threadMilliseconds() - before);
        }
        paint(picker.panel);
        whole += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
    }
    state.counters["whole_ms"] = whole / static_cast<double>(state.iterations());
    state.counters["longest_turn_cpu_ms"] = longest;
}

// Once the picker has had its idle moments after the first paint, the search is ready.
void FirstKeystrokeAfterShow(benchmark::State& state)
{
    firstKeystroke(state, true);
}

// A letter typed before any of those moments came.
void KeystrokeBeforeSearchIsReady(benchmark::State& state)
{
    firstKeystroke(state, false);
}

// What that idle moment costs: case-folding every preview of a changed history.
void PrepareSearch(benchmark::State& state)
{
    HistoryPickerModel model;
    ChangingHistory history(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        model.reset(history.next(), nullptr);
        state.ResumeTiming();
        model.prepareSearch();
    }
}

} // namespace

BENCHMARK(ShowResetAndFirstPaint)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(FilterKeystroke)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstKeystrokeAfterShow)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(PrepareSearch)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeBeforeSearchIsReady)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
