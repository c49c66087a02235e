#pragma once

#include "Foundation/TaskHandle.h"

#include <functional>

// Main-thread delays and periodic work. Every wait in the program goes through one of these so that tests
// and the simulator can run the same code on a virtual clock.
class Scheduler {
public:
    using Continuation = std::function<void(bool cancelled)>;

    // The longest wait we honour: beyond this a delay is treated as "practically never" but still finite,
    // so that timer back-ends never see an overflowing interval.
    static constexpr double maximumDelay = 1'000'000.0;

    virtual ~Scheduler() = default;

    // Runs `continuation` once, `seconds` from now. Cancelling the returned handle runs it as soon as
    // possible instead, with `cancelled` true. Never runs it synchronously inside this call.
    virtual TaskHandle after(double seconds, Continuation continuation) = 0;

    // Runs `work` after the current event has been handled, unless the handle is cancelled first.
    TaskHandle post(std::function<void()> work);

    // Runs `work` where it does not hold up the main thread, then `done` on the main thread, never inside
    // this call. `work` must touch nothing the main thread may touch meanwhile. Here both run one after the
    // other in one posted task, which keeps virtual time deterministic; the event-loop scheduler runs `work`
    // on a worker thread. `done` is dropped when the scheduler is gone before `work` has finished.
    virtual void background(std::function<void()> work, std::function<void()> done);

    // Monotonic seconds; only differences mean anything.
    virtual double now() const = 0;

    // Wall-clock time as seconds since 2001-01-01 00:00:00 UTC, the epoch of stored dates.
    virtual double currentDate() const = 0;

    // NaN and negative delays become 0; huge ones are capped at maximumDelay.
    static double sanitizedDelay(double seconds);
};
