#pragma once

#include "Foundation/Scheduler.h"
#include "Foundation/TaskQueue.h"

// A virtual monotonic clock. Nothing runs until the clock is advanced; then due tasks run in time order,
// FIFO among tasks due at the same instant, each seeing now() at its own due time.
class VirtualScheduler final : public Scheduler {
public:
    // 2026-01-01 00:00:00 UTC: a fixed wall clock keeps transcripts and stored dates reproducible.
    static constexpr double defaultStartDate = 788'918'400.0;

    explicit VirtualScheduler(double startDate = defaultStartDate);

    TaskHandle after(double seconds, Continuation continuation) override;
    double now() const override { return m_now; }
    double currentDate() const override { return m_startDate + m_now; }

    // Moves the clock forward by `seconds`, running everything that falls due on the way.
    void advance(double seconds);
    // Runs what is due at the current instant (posted work, cancelled waits).
    void runDue() { advance(0); }
    std::size_t pendingCount() const { return m_queue.size(); }
    // The due time of the earliest pending task, or a negative number when none is pending.
    double nextDueTime() const { return m_queue.empty() ? -1.0 : m_queue.earliestDueTime(); }

private:
    double m_startDate;
    double m_now = 0;
    TaskQueue m_queue;
};
