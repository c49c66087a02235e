#include "Foundation/EventLoopScheduler.h"

#include "Foundation/ReferenceDate.h"

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>

EventLoopScheduler::EventLoopScheduler(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
}

TaskHandle EventLoopScheduler::after(double seconds, Continuation continuation)
{
    auto state = std::make_shared<TaskHandle::State>();
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);

    auto shared = std::make_shared<Continuation>(std::move(continuation));
    auto finish = [state, shared, timer] {
        if (state->finished)
            return;
        state->finished = true;
        state->wakeEarly = nullptr;
        timer->deleteLater();
        (*shared)(state->cancelled);
    };
    connect(timer, &QTimer::timeout, this, finish);

    QPointer<QTimer> guardedTimer(timer);
    state->wakeEarly = [guardedTimer] {
        if (guardedTimer)
            guardedTimer->start(0);
    };
    timer->start(static_cast<int>(std::llround(sanitizedDelay(seconds) * 1000.0)));
    return TaskHandle(state);
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
