#include "Foundation/Scheduler.h"

#include <cmath>

TaskHandle Scheduler::post(std::function<void()> work)
{
    return after(0, [work = std::move(work)](bool cancelled) {
        if (!cancelled)
            work();
    });
}

void Scheduler::background(std::function<void()> work, std::function<void()> done)
{
    post([work = std::move(work), done = std::move(done)] {
        work();
        done();
    });
}

double Scheduler::sanitizedDelay(double seconds)
{
    if (std::isnan(seconds) || seconds < 0)
        return 0;
    return seconds > maximumDelay ? maximumDelay : seconds;
}
