#include "Clipboard/Paster.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/VirtualScheduler.h"
#include "Keyboard/HoldMonitor.h"
#include "Platform/KeyboardEvents.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// Hands the monitor's tap callback to the benchmark, which then calls it exactly as the system would.
class CapturingKeyboard final : public KeyboardEvents {
public:
    class Tap final : public KeyboardTap {
    public:
        void setEnabled(bool enabled) override { m_enabled = enabled; }
        bool isEnabled() const override { return m_enabled; }
        bool setChords(std::vector<KeyChord>) override { return true; }

    private:
        bool m_enabled = true;
    };

    std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord>, TapCallback callback) override
    {
        this->callback = std::move(callback);
        return std::make_unique<Tap>();
    }
    bool post(const KeyEvent&) override
    {
        ++posted;
        return true;
    }

    TapCallback callback;
    long long posted = 0;
};

KeyEvent keyEvent(
    std::uint16_t code, bool down, std::uint64_t flags, bool repeat = false, std::int64_t user = 0)
{
    KeyEvent event;
    event.keyCode = code;
    event.isDown = down;
    event.isRepeat = repeat;
    event.flags = flags;
    event.userData = user;
    return event;
}

KeyboardTap::Notice notice(const KeyEvent& event)
{
    return event.isDown ? KeyboardTap::Notice::KeyDown : KeyboardTap::Notice::KeyUp;
}

// Time per tapped event, whatever the number of events an iteration sends.
void reportPerEvent(benchmark::State& state, int eventsPerIteration)
{
    state.counters["time/event"]
        = benchmark::Counter(static_cast<double>(state.iterations() * eventsPerIteration),
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Sends `before` once, then `events` in every iteration; no scheduler work is left to run.
void tapEvents(
    benchmark::State& state, const std::vector<KeyEvent>& before, const std::vector<KeyEvent>& events)
{
    CapturingKeyboard keyboard;
    VirtualScheduler scheduler;
    HoldMonitor monitor(keyboard, scheduler);
    monitor.start();
    for (const KeyEvent& event : before)
        keyboard.callback(notice(event), event);
    for (auto _ : state)
        for (const KeyEvent& event : events)
            benchmark::DoNotOptimize(keyboard.callback(notice(event), event));
    reportPerEvent(state, static_cast<int>(events.size()));
}

// Every key the user types passes the tap; for all but C and V that is the whole cost.
void TapCallbackOtherKey(benchmark::State& state)
{
    tapEvents(state, {}, { keyEvent(0, true, 0), keyEvent(0, false, 0) });
}

void TapCallbackSyntheticPaste(benchmark::State& state)
{
    tapEvents(state, {},
        { keyEvent(KeyCodes::v, true, EventFlags::command, false, Paster::syntheticMarker),
            keyEvent(KeyCodes::v, false, EventFlags::command, false, Paster::syntheticMarker) });
}

// The auto-repeats of a held Command-V: one transition, no timer work.
void TapCallbackRepeatWhileHeld(benchmark::State& state)
{
    tapEvents(state, { keyEvent(KeyCodes::v, true, EventFlags::command) },
        { keyEvent(KeyCodes::v, true, EventFlags::command, true) });
}

// A short Command-V: the down starts the hold timer, the up cancels it and posts the resend. The
// scheduler's queued work (cancelled timers, resends) is run outside the timing.
template <typename SchedulerType, void (*drain)(SchedulerType&)>
void shortPresses(benchmark::State& state, SchedulerType& scheduler)
{
    CapturingKeyboard keyboard;
    HoldMonitor monitor(keyboard, scheduler);
    monitor.start();
    const KeyEvent events[] = { keyEvent(KeyCodes::v, true, EventFlags::command),
        keyEvent(KeyCodes::v, false, EventFlags::command) };
    int sinceDrain = 0;
    for (auto _ : state) {
        for (const KeyEvent& event : events)
            benchmark::DoNotOptimize(keyboard.callback(notice(event), event));
        if (++sinceDrain == 256) {
            state.PauseTiming();
            drain(scheduler);
            sinceDrain = 0;
            state.ResumeTiming();
        }
    }
    drain(scheduler);
    reportPerEvent(state, 2);
}

void drainVirtual(VirtualScheduler& scheduler)
{
    scheduler.runDue();
}

void drainEventLoop(EventLoopScheduler&)
{
    // Zero-delay timers (cancelled waits, resends) fire on the next passes of the loop.
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TapCallbackShortPressVirtualScheduler(benchmark::State& state)
{
    VirtualScheduler scheduler;
    shortPresses<VirtualScheduler, drainVirtual>(state, scheduler);
}

// With the Qt timers the application really uses.
void TapCallbackShortPressEventLoopScheduler(benchmark::State& state)
{
    EventLoopScheduler scheduler;
    shortPresses<EventLoopScheduler, drainEventLoop>(state, scheduler);
}

} // namespace

BENCHMARK(TapCallbackOtherKey);
BENCHMARK(TapCallbackSyntheticPaste);
BENCHMARK(TapCallbackRepeatWhileHeld);
BENCHMARK(TapCallbackShortPressVirtualScheduler);
BENCHMARK(TapCallbackShortPressEventLoopScheduler);
