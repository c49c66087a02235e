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

    // Monotonic seconds; only differences mean anything.
    virtual double now() const = 0;

    // Wall-clock time as seconds since 2001-01-01 00:00:00 UTC, the epoch of stored dates.
    virtual double currentDate() const = 0;

    // NaN and negative delays become 0; huge ones are capped at maximumDelay.
    static double sanitizedDelay(double seconds);
};
