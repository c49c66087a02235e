#pragma once

#include "Foundation/TaskHandle.h"

#include <memory>

class AppSettings;
class ClipboardHistory;
class Pasteboard;
class Scheduler;
class Workspace;

// Notices every new copy by polling the pasteboard's change count, and records each recordable one with
// the application in front as its source. Whatever is on the pasteboard when it is created is never recorded.
// The pasteboard is read in the poll; decoding, fingerprinting and writing the entry's files happen away
// from the main thread, and the entries are listed in the order they were copied.
class ClipboardMonitor final {
public:
    static constexpr double pollInterval = 0.4;

    ClipboardMonitor(ClipboardHistory& history, const AppSettings& settings, const Pasteboard& pasteboard,
        const Workspace& workspace, Scheduler& scheduler);
    ~ClipboardMonitor();
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // (Re)starts polling: the first look happens right away, then one every 0.4 s.
    void start();
    void stop();
    bool isRunning() const { return m_loop != nullptr; }

    // The change count already handled. The app moves it past its own pasteboard writes so they are not
    // recorded as copies.
    long long lastChangeCount() const { return m_lastChangeCount; }
    void setLastChangeCount(long long changeCount) { m_lastChangeCount = changeCount; }

    // One look at the pasteboard, as each tick of the loop does.
    void poll();

private:
    struct Loop;
    struct Recordings;
    void schedule(const std::shared_ptr<Loop>& loop, double delay);

    ClipboardHistory& m_history;
    const AppSettings& m_settings;
    const Pasteboard& m_pasteboard;
    const Workspace& m_workspace;
    Scheduler& m_scheduler;
    long long m_lastChangeCount;
    std::shared_ptr<Loop> m_loop;
    std::shared_ptr<Recordings> m_recordings;
};
