#pragma once

#include "Platform/Processes.h"

#include <QObject>

class Scheduler;

// Real child processes through QProcess. A request for the macOS capture tool, which Linux lacks, runs the
// first installed desktop area tool instead (see AreaCaptureCommand).
class ProcessesDesktop final : public Processes {
public:
    explicit ProcessesDesktop(Scheduler& scheduler);
    ~ProcessesDesktop() override;

    std::shared_ptr<Running> start(
        const QString& program, const QStringList& arguments, ExitHandler onExit = {}) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;

private:
    Scheduler& m_scheduler;
    // Parent of every child process still running, so that none outlives this object unnoticed.
    QObject m_children;
};
