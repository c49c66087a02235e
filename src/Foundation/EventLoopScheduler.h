#pragma once

#include "Foundation/Scheduler.h"
#include "Foundation/TaskQueue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

// The real scheduler, on the event loop of the thread that owns it (the main thread). Pending tasks wait
// in one time-ordered queue behind a single precise timer armed for the earliest of them, so starting or
// cancelling a task costs a queue operation rather than a timer of its own.
class EventLoopScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit EventLoopScheduler(QObject* parent = nullptr);

    TaskHandle after(double seconds, Continuation continuation) override;
    double now() const override;
    double currentDate() const override;
    // `work` runs on a thread of Qt's global pool; `done` comes back through this object's event queue.
    void background(std::function<void()> work, std::function<void()> done) override;

    std::size_t pendingCount() const { return m_queue.size(); }

private:
    void queued(double dueTime);
    void runDue();
    void arm();

    QElapsedTimer m_clock;
    QTimer m_timer;
    TaskQueue m_queue;
    double m_armedFor = -1;
    bool m_running = false;
    // Expires with this object, for results of background work that arrive after it.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};
