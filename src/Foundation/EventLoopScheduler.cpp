#include "Foundation/EventLoopScheduler.h"

#include "Foundation/ReferenceDate.h"

#include <chrono>
#include <cmath>

EventLoopScheduler::EventLoopScheduler(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopScheduler::runDue);
}

EventLoopScheduler::~EventLoopScheduler()
{
    // Handles may outlive the scheduler; a late cancel() must not reach into it.
    for (auto& [key, entry] : m_queue)
        entry.state->wakeEarly = nullptr;
}

TaskHandle EventLoopScheduler::after(double seconds, Continuation continuation)
{
    auto state = std::make_shared<TaskHandle::State>();
    enqueue(now() + sanitizedDelay(seconds), Entry { state, std::move(continuation) });
    return TaskHandle(state);
}

void EventLoopScheduler::enqueue(double dueTime, Entry entry)
{
    const Key key { dueTime, m_sequence++ };
    entry.state->wakeEarly = [this, key] {
        auto found = m_queue.find(key);
        if (found == m_queue.end())
            return;
        Entry moved = std::move(found->second);
        m_queue.erase(found);
        enqueue(now(), std::move(moved));
    };
    m_queue.emplace(key, std::move(entry));
    if (!m_running && (m_armedFor < 0 || dueTime < m_armedFor))
        arm();
}

void EventLoopScheduler::arm()
{
    if (m_queue.empty()) {
        m_timer.stop();
        m_armedFor = -1;
        return;
    }
    const double due = m_queue.begin()->first.first;
    const double wait = std::max(0.0, due - now());
    m_armedFor = due;
    m_timer.start(static_cast<int>(std::ceil(wait * 1000.0)));
}

void EventLoopScheduler::runDue()
{
    m_armedFor = -1;
    m_running = true;
    // Only what was queued before this turn runs now: work posted by these tasks waits for the next turn,
    // so a task that keeps posting cannot starve the event loop.
    const std::uint64_t turnLimit = m_sequence;
    // Timers may fire a little early; treat anything due within half a millisecond as due.
    const double horizon = now() + 0.0005;
    while (!m_queue.empty()) {
        auto first = m_queue.begin();
        if (first->first.first > horizon)
            break;
        auto next = first;
        while (next != m_queue.end() && next->first.second >= turnLimit)
            ++next;
        if (next == m_queue.end() || next->first.first > horizon)
            break;
        Entry entry = std::move(next->second);
        m_queue.erase(next);
        entry.state->finished = true;
        entry.state->wakeEarly = nullptr;
        entry.continuation(entry.state->cancelled);
    }
    m_running = false;
    arm();
}

double EventLoopScheduler::now() const
{
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

double EventLoopScheduler::currentDate() const
{
    using namespace std::chrono;
    const auto micros = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return ReferenceDate::fromUnixSeconds(static_cast<double>(micros) / 1e6);
}
