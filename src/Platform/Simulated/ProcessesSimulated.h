#pragma once

#include "Foundation/TaskHandle.h"
#include "Platform/Processes.h"

#include <QSize>

#include <vector>

class Scheduler;

// Programs as a script sets them. Every start is recorded. The area-capture tool does what was scripted for
// its next run: writes an opaque PNG of a given size to its target path (its last argument) and exits,
// exits without a file (the user cancelled the selection), or cannot be started; or it misbehaves as a
// broken tool does: leaves an empty file, leaves the first half of a PNG, or crashes without a file.
// Unscripted runs of it exit without a file; any other program exits at once with status 0.
class ProcessesSimulated final : public Processes {
public:
    static inline const QString captureTool = QStringLiteral("/usr/sbin/screencapture");

    struct Started {
        QString program;
        QStringList arguments;
        // Started to outlive the app, as a relaunch is.
        bool detached = false;
    };

    explicit ProcessesSimulated(Scheduler& scheduler);

    std::shared_ptr<Running> start(
        const QString& program, const QStringList& arguments, ExitHandler onExit = {}) override;
    // Recorded, and counted as running for good: nothing in the simulated world ends it.
    bool startDetached(const QString& program, const QStringList& arguments) override;

    // The next run of the capture tool only; width and height must be positive, else nothing is scripted.
    void captureWritesPng(QSize size);
    void captureExitsWithoutFile();
    void captureCannotStart();
    void captureWritesEmptyFile();
    // Only the first half of the PNG's bytes, as when the tool dies or the disk fills while it writes.
    void captureWritesTruncatedPng(QSize size);
    // Killed by a signal (exit status -1) before writing anything.
    void captureCrashes();
    // Virtual seconds the capture tool stays open before it exits (the user choosing an area); default 0.
    void setCaptureDuration(double seconds) { m_captureDuration = seconds; }

    // Every program the app started or tried to start, in order.
    const std::vector<Started>& started() const { return m_started; }
    // Programs still running, detached ones included.
    int runningCount() const;

private:
    enum class Outcome { WritePng, ExitWithoutFile, CannotStart, WriteEmpty, WriteTruncated, Crash };
    class Process;
    static void writeCapture(Outcome outcome, const QString& target, QSize size);

    Scheduler& m_scheduler;
    Outcome m_nextCapture = Outcome::ExitWithoutFile;
    QSize m_captureSize;
    double m_captureDuration = 0;
    std::vector<Started> m_started;
    int m_detachedCount = 0;
    std::vector<std::weak_ptr<Process>> m_processes;
};
