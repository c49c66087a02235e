#include "Clipboard/HistorySaver.h"

#include "Foundation/FileTree.h"

HistorySaver::HistorySaver(Mode mode, Write write)
    : m_mode(mode)
    , m_write(std::move(write))
{ }

HistorySaver::~HistorySaver()
{
    {
        std::unique_lock lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    flush();
}

void HistorySaver::save(QList<ClipboardItem> items, QStringList folders)
{
    {
        std::unique_lock lock(m_mutex);
        m_pending = std::move(items);
        m_folders.append(std::move(folders));
        // Started with the first save: a history that is only read never holds a thread.
        if (m_mode == Mode::Background && !m_worker.joinable())
            m_worker = std::thread([this] { work(); });
    }
    if (m_mode == Mode::Immediate)
        flush();
    else
        m_changed.notify_all();
}

void HistorySaver::flush()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_writing)
            m_changed.wait(lock);
        else if (!writePending(lock))
            return;
    }
}

bool HistorySaver::writePending(std::unique_lock<std::mutex>& lock)
{
    if (!m_pending)
        return false;
    QList<ClipboardItem> items = *std::exchange(m_pending, std::nullopt);
    const QStringList folders = std::exchange(m_folders, {});
    m_writing = true;
    lock.unlock();
    // The list is still shared with the history, whose next change would have to copy it whole on the main
    // thread: the copy is made here instead, before the long write.
    items.detach();
    m_write(items);
    items = {};
    // Removed whether or not the index could be written: the entries have left the list either way, and
    // an index that still names one whose folder is gone merely drops it at the next start.
    for (const QString& folder : folders)
        FileTree::remove(folder);
    lock.lock();
    m_writing = false;
    m_changed.notify_all();
    return true;
}

void HistorySaver::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_writing || !writePending(lock))
            m_changed.wait(lock);
    }
}
