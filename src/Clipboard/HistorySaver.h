#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Keeps the history's index on disk in step with its list. A long history's index takes tens of
// milliseconds to write, so in the background mode a worker thread writes it; changes that arrive while it
// writes are coalesced, and only the newest list is written next. The folders of entries that left the list
// go only after an index no longer listing them has been written, so that no index on disk ever names a
// folder that is half deleted.
class HistorySaver final {
public:
    enum class Mode {
        // Every save is on disk before `save` returns.
        Immediate,
        // `save` returns at once; a worker writes.
        Background,
    };
    // Writes the whole list as the index; false when nothing was written.
    using Write = std::function<bool(const QList<ClipboardItem>&)>;

    HistorySaver(Mode mode, Write write);
    // Writes whatever is still pending before returning.
    ~HistorySaver();
    HistorySaver(const HistorySaver&) = delete;
    HistorySaver& operator=(const HistorySaver&) = delete;

    // Queues `items` as the next index, replacing a list queued before and not yet taken, and `folders`
    // to be removed once it is written.
    void save(QList<ClipboardItem> items, QStringList folders);
    // Returns once everything queued so far is on disk (or has failed to be written).
    void flush();

private:
    // Takes the pending list and writes it with the lock released; false when there was nothing to take.
    bool writePending(std::unique_lock<std::mutex>& lock);
    void work();

    const Mode m_mode;
    const Write m_write;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<QList<ClipboardItem>> m_pending;
    QStringList m_folders;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_worker;
};
