#pragma once

#include "Foundation/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>

// The real scheduler, on the event loop of the thread that owns it (the main thread). Pending tasks wait
// in one time-ordered queue behind a single precise timer armed for the earliest of them, so starting or
// cancelling a task costs a queue operation rather than a timer of its own.
class EventLoopScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit EventLoopScheduler(QObject* parent = nullptr);
    ~EventLoopScheduler() override;

    TaskHandle after(double seconds, Continuation continuation) override;
    double now() const override;
    double currentDate() const override;

    std::size_t pendingCount() const { return m_queue.size(); }

private:
    struct Entry {
        std::shared_ptr<TaskHandle::State> state;
        Continuation continuation;
    };
    using Key = std::pair<double, std::uint64_t>;

    void enqueue(double dueTime, Entry entry);
    void runDue();
    void arm();

    QElapsedTimer m_clock;
    QTimer m_timer;
    std::uint64_t m_sequence = 0;
    std::map<Key, Entry> m_queue;
    double m_armedFor = -1;
    bool m_running = false;
};
