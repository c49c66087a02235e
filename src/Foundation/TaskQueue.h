#pragma once

#include "Foundation/Scheduler.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// The pending tasks of a scheduler, in due-time order and FIFO among equal times. Cancelling a task's
// handle moves it to the front at the current time, so its continuation runs early and sees the cancel.
class TaskQueue final {
public:
    struct Entry {
        std::shared_ptr<TaskHandle::State> state;
        Scheduler::Continuation continuation;
        double dueTime = 0;
    };

    // `clock` gives the current time; `queued` is told each time a task is queued, with its due time.
    TaskQueue(std::function<double()> clock, std::function<void(double dueTime)> queued);
    ~TaskQueue();
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    TaskHandle add(double dueTime, Scheduler::Continuation continuation);
    // Removes and returns the earliest task due at or before `horizon` that was queued before the
    // sequence number `before`; nothing when there is none.
    std::optional<Entry> takeDue(double horizon, std::uint64_t before = UINT64_MAX);
    // Runs a taken task's continuation, marking it finished first.
    static void run(Entry& entry);

    std::uint64_t nextSequence() const { return m_sequence; }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    double earliestDueTime() const { return m_entries.begin()->first.first; }

private:
    using Key = std::pair<double, std::uint64_t>;
    void enqueue(double dueTime, Entry entry);

    std::function<double()> m_clock;
    std::function<void(double)> m_queued;
    std::uint64_t m_sequence = 0;
    std::map<Key, Entry> m_entries;
};
