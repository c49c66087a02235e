#pragma once

#include "Platform/Desktop/AreaCaptureCommand.h"
#include "Platform/Processes.h"

#include <QObject>

class Scheduler;
class SystemLog;

// Real child processes through QProcess. A request for the macOS capture tool, which Linux lacks, runs the
// first installed desktop area tool instead (see AreaCaptureCommand). What a started program prints stays
// out of our own output: only when it fails do its last error lines go to the log, under its name.
class ProcessesDesktop final : public Processes {
public:
    ProcessesDesktop(Scheduler& scheduler, SystemLog& log);
    ~ProcessesDesktop() override;

    std::shared_ptr<Running> start(
        const QString& program, const QStringList& arguments, ExitHandler onExit = {}) override;
    // Which area tools can read the screen of this session; X11's until said otherwise.
    void setCaptureSession(AreaCaptureCommand::Session session) { m_session = session; }
    bool startDetached(const QString& program, const QStringList& arguments) override;

private:
    Scheduler& m_scheduler;
    SystemLog& m_log;
    AreaCaptureCommand::Session m_session = AreaCaptureCommand::Session::X11;
    // Parent of every child process still running, so that none outlives this object unnoticed.
    QObject m_children;
};
