#include "Clipboard/ClipboardMonitor.h"

#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/Scheduler.h"
#include "Platform/Pasteboard.h"
#include "Platform/Workspace.h"
#include "Support/AppSettings.h"

#include <deque>

// The loop's own state, shared with its pending task so that cancelling reaches whichever wait is current
// and a task never touches a monitor that has gone away.
struct ClipboardMonitor::Loop {
    ClipboardMonitor* monitor = nullptr;
    bool cancelled = false;
    TaskHandle wait;
};

// The copies being recorded, oldest first. Each is listed once it and every copy before it are ready, so
// a big copy followed by a small one keeps its place. Shared with the work in flight, which finds out here
// whether the monitor is still there to list what it made.
struct ClipboardMonitor::Recordings {
    struct Pending {
        ClipboardHistory::Recording recording;
        bool ready = false;
    };
    ClipboardHistory* history = nullptr;
    std::deque<std::shared_ptr<Pending>> pending;

    void listReady()
    {
        while (history && !pending.empty() && pending.front()->ready) {
            const auto next = std::move(pending.front());
            pending.pop_front();
            history->finish(std::move(next->recording));
        }
    }
};

ClipboardMonitor::ClipboardMonitor(ClipboardHistory& history, const AppSettings& settings,
    const Pasteboard& pasteboard, const Workspace& workspace, Scheduler& scheduler)
    : m_history(history)
    , m_settings(settings)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_scheduler(scheduler)
    , m_lastChangeCount(pasteboard.changeCount())
    , m_recordings(std::make_shared<Recordings>())
{
    m_recordings->history = &history;
}

ClipboardMonitor::~ClipboardMonitor()
{
    stop();
    // What is still in flight is left as staging folders, which the history removes when it next loads.
    m_recordings->history = nullptr;
}

void ClipboardMonitor::start()
{
    stop();
    m_loop = std::make_shared<Loop>();
    m_loop->monitor = this;
    schedule(m_loop, 0);
}

void ClipboardMonitor::stop()
{
    if (!m_loop)
        return;
    m_loop->cancelled = true;
    m_loop->monitor = nullptr;
    m_loop->wait.cancel();
    m_loop.reset();
}

void ClipboardMonitor::schedule(const std::shared_ptr<Loop>& loop, double delay)
{
    loop->wait = m_scheduler.after(delay, [loop](bool) {
        if (loop->cancelled || !loop->monitor)
            return;
        ClipboardMonitor* monitor = loop->monitor;
        monitor->poll();
        // poll() may have stopped or restarted the monitor through an observer.
        if (!loop->cancelled && loop->monitor)
            monitor->schedule(loop, pollInterval);
    });
}

void ClipboardMonitor::poll()
{
    const long long changeCount = m_pasteboard.changeCount();
    if (changeCount == m_lastChangeCount)
        return;
    // A copy still on its way from the application that made it is looked at again on the next tick. The
    // pasteboard gives it up within its arrival budget, so this waits a bounded time and never blocks.
    if (!m_settings.paused() && !m_pasteboard.contentsArrived())
        return;
    // Consumed first, so each change is handled once whatever happens next (paused, or not recordable).
    m_lastChangeCount = changeCount;
    if (m_settings.paused())
        return;
    auto contents = PasteboardCapture::take(m_pasteboard);
    if (!contents)
        return;
    std::optional<QString> source;
    if (const auto front = m_workspace.frontmostApplication())
        source = front->bundleIdentifier;
    auto pending = std::make_shared<Recordings::Pending>(m_history.begin(source));
    m_recordings->pending.push_back(pending);
    m_scheduler.background(
        [pending, contents = std::move(*contents)] {
            if (auto capture = PasteboardCapture::of(contents))
                ClipboardHistory::prepare(pending->recording, std::move(*capture));
        },
        [pending, recordings = m_recordings] {
            pending->ready = true;
            recordings->listReady();
        });
}
