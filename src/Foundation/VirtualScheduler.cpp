#include "Foundation/VirtualScheduler.h"

VirtualScheduler::VirtualScheduler(double startDate)
    : m_startDate(startDate)
{
}

VirtualScheduler::~VirtualScheduler()
{
    // Handles may outlive the scheduler; make sure a late cancel() does not reach into freed memory.
    for (auto& [key, entry] : m_queue)
        entry.state->wakeEarly = nullptr;
}

TaskHandle VirtualScheduler::after(double seconds, Continuation continuation)
{
    auto state = std::make_shared<TaskHandle::State>();
    enqueue(m_now + sanitizedDelay(seconds), Entry { state, std::move(continuation) });
    return TaskHandle(state);
}

void VirtualScheduler::enqueue(double dueTime, Entry entry)
{
    const Key key { dueTime, m_sequence++ };
    std::weak_ptr<TaskHandle::State> weakState = entry.state;
    entry.state->wakeEarly = [this, key, weakState] {
        auto found = m_queue.find(key);
        if (found == m_queue.end())
            return;
        Entry moved = std::move(found->second);
        m_queue.erase(found);
        enqueue(m_now, std::move(moved));
    };
    m_queue.emplace(key, std::move(entry));
}

void VirtualScheduler::advance(double seconds)
{
    const double target = m_now + sanitizedDelay(seconds);
    while (!m_queue.empty() && m_queue.begin()->first.first <= target) {
        auto first = m_queue.begin();
        if (first->first.first > m_now)
            m_now = first->first.first;
        Entry entry = std::move(first->second);
        m_queue.erase(first);
        entry.state->finished = true;
        entry.state->wakeEarly = nullptr;
        entry.continuation(entry.state->cancelled);
    }
    m_now = target;
}

double VirtualScheduler::nextDueTime() const
{
    return m_queue.empty() ? -1.0 : m_queue.begin()->first.first;
}
