#include "Foundation/Scheduler.h"

#include <cmath>

TaskHandle Scheduler::post(std::function<void()> work)
{
    return after(0, [work = std::move(work)](bool cancelled) {
        if (!cancelled)
            work();
    });
}

double Scheduler::sanitizedDelay(double seconds)
{
    if (std::isnan(seconds) || seconds < 0)
        return 0;
    return seconds > maximumDelay ? maximumDelay : seconds;
}
