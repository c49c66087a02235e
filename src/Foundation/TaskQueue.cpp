#include "Foundation/TaskQueue.h"

TaskQueue::TaskQueue(std::function<double()> clock, std::function<void(double)> queued)
    : m_clock(std::move(clock))
    , m_queued(std::move(queued))
{
}

TaskQueue::~TaskQueue()
{
    // Handles may outlive the queue; a late cancel() must not reach into it.
    for (auto& [key, entry] : m_entries)
        entry.state->wakeEarly = nullptr;
}

TaskHandle TaskQueue::add(double dueTime, Scheduler::Continuation continuation)
{
    auto state = std::make_shared<TaskHandle::State>();
    enqueue(dueTime, Entry { state, std::move(continuation), dueTime });
    return TaskHandle(state);
}

void TaskQueue::enqueue(double dueTime, Entry entry)
{
    const Key key { dueTime, m_sequence++ };
    entry.dueTime = dueTime;
    entry.state->wakeEarly = [this, key] {
        auto found = m_entries.find(key);
        if (found == m_entries.end())
            return;
        Entry moved = std::move(found->second);
        m_entries.erase(found);
        enqueue(m_clock(), std::move(moved));
    };
    m_entries.emplace(key, std::move(entry));
    m_queued(dueTime);
}

std::optional<TaskQueue::Entry> TaskQueue::takeDue(double horizon, std::uint64_t before)
{
    for (auto it = m_entries.begin(); it != m_entries.end() && it->first.first <= horizon; ++it) {
        if (it->first.second >= before)
            continue;
        Entry entry = std::move(it->second);
        m_entries.erase(it);
        return entry;
    }
    return std::nullopt;
}

void TaskQueue::run(Entry& entry)
{
    entry.state->finished = true;
    entry.state->wakeEarly = nullptr;
    entry.continuation(entry.state->cancelled);
}
