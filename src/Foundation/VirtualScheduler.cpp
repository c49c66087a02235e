#include "Foundation/VirtualScheduler.h"

#include <algorithm>

VirtualScheduler::VirtualScheduler(double startDate)
    : m_startDate(startDate)
    , m_queue([this] { return m_now; }, [](double) {})
{
}

TaskHandle VirtualScheduler::after(double seconds, Continuation continuation)
{
    return m_queue.add(m_now + sanitizedDelay(seconds), std::move(continuation));
}

void VirtualScheduler::advance(double seconds)
{
    const double target = m_now + sanitizedDelay(seconds);
    while (auto entry = m_queue.takeDue(target)) {
        // Each task sees the instant it fell due.
        m_now = std::max(m_now, entry->dueTime);
        TaskQueue::run(*entry);
    }
    m_now = target;
}
