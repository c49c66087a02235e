#include "Foundation/EventLoopScheduler.h"

#include "Foundation/ReferenceDate.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include <chrono>
#include <cmath>

EventLoopScheduler::EventLoopScheduler(QObject* parent)
    : QObject(parent)
    , m_queue([this] { return now(); }, [this](double dueTime) { queued(dueTime); })
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopScheduler::runDue);
}

TaskHandle EventLoopScheduler::after(double seconds, Continuation continuation)
{
    return m_queue.add(now() + sanitizedDelay(seconds), std::move(continuation));
}

void EventLoopScheduler::background(std::function<void()> work, std::function<void()> done)
{
    // The pool thread never touches this object, which may be gone by the time the work ends: the result
    // travels through the application's event queue and finds out there whether anybody still waits.
    std::weak_ptr<int> alive = m_alive;
    QThreadPool::globalInstance()->start([work = std::move(work), done = std::move(done), alive]() mutable {
        work();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [done = std::move(done), alive] {
                if (!alive.expired())
                    done();
            },
            Qt::QueuedConnection);
    });
}

void EventLoopScheduler::queued(double dueTime)
{
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
    const double due = m_queue.earliestDueTime();
    m_armedFor = due;
    m_timer.start(static_cast<int>(std::ceil(std::max(0.0, due - now()) * 1000.0)));
}

void EventLoopScheduler::runDue()
{
    m_armedFor = -1;
    m_running = true;
    // Only what was queued before this turn runs now: work posted by these tasks waits for the next turn,
    // so a task that keeps posting cannot starve the event loop. Timers may fire a little early, so
    // anything due within half a millisecond counts as due.
    const std::uint64_t turnLimit = m_queue.nextSequence();
    const double horizon = now() + 0.0005;
    while (auto entry = m_queue.takeDue(horizon, turnLimit))
        TaskQueue::run(*entry);
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
