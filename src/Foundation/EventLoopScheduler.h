#pragma once

#include "Foundation/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>

// The real scheduler: precise Qt timers on the thread that owns this object (the main thread).
class EventLoopScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit EventLoopScheduler(QObject* parent = nullptr);

    TaskHandle after(double seconds, Continuation continuation) override;
    double now() const override;
    double currentDate() const override;

private:
    QElapsedTimer m_clock;
};
