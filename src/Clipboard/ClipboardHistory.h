#pragma once

#include "Clipboard/HistoryLimit.h"
#include "Clipboard/HistoryList.h"
#include "Clipboard/HistoryLoad.h"
#include "Clipboard/HistorySaver.h"
#include "Clipboard/PasteboardCapture.h"

#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <future>
#include <span>

class Scheduler;

// The clipboard history: the list of entries and, on disk, one folder per entry holding its raw data plus
// "index.json" listing them. The in-memory list is authoritative; the index follows it after each change,
// at once or, in the background mode, from a worker thread a moment later.
//
// A long history is listed in two steps: its first entries at once, the rest a moment later from a worker.
// Until then, changes to the entries listed apply at once, the index is written only once the whole list is
// known, and a new copy waits for it, with whatever is asked after it.
class ClipboardHistory final : public QObject {
    Q_OBJECT
public:
    // Loads the history kept in `directory` (created 0700 when missing). The clock dates new entries.
    ClipboardHistory(QString directory, const Scheduler& clock, QObject* parent = nullptr,
        HistorySaver::Mode saving = HistorySaver::Mode::Immediate);
    // Lists the rest of a history still being read, so that its changes are kept.
    ~ClipboardHistory() override;

    const HistoryList& list() const { return m_list; }
    const QList<ClipboardItem>& items() const { return m_list.items; }
    std::optional<int> limit() const { return m_limit; }
    const QString& directory() const { return m_directory; }
    // The folder holding an entry's files.
    QString entryFolder(const ClipboardItem& item) const { return m_directory + u'/' + item.id; }
    // A row thumbnail of the picker: the entry's "thumb.png", when it is there and decodes.
    std::optional<QImage> thumbnail(const ClipboardItem& item) const;
    QString indexPath() const { return m_directory + QStringLiteral("/index.json"); }

    // A copy on its way into the history, so that the slow part can be done away from the main thread:
    // `begin` notes the moment and the list on the main thread, `prepare` writes the entry's files on any
    // thread, and `finish` lists it back on the main thread, exactly as `add` would have at `begin`.
    struct Recording {
        QString directory;
        double date = 0;
        std::optional<QString> source;
        // The list as it was at `begin`, so that a copy seen before costs no files; let go by `prepare`.
        QList<ClipboardItem> listed;
        quint64 clears = 0;
        std::optional<PasteboardCapture> capture;
        ClipboardItem item;
        // Skipped for a copy listed at `begin`; when written, they are complete under the staging name.
        enum class Files { Skipped, Written, Failed } files = Files::Skipped;
        // While a long history is read, its folder is cleared of what earlier runs left staged; the files
        // are staged only after that.
        std::shared_future<void> leftoversRemoved;
    };

    // Records a copy; a copy seen before (same fingerprint) only moves its entry to the top.
    void add(const PasteboardCapture& capture, const std::optional<QString>& source);
    Recording begin(const std::optional<QString>& source) const;
    // Touches nothing but the recording and the files of its own entry.
    static void prepare(Recording& recording, PasteboardCapture capture);
    // A recording begun before the last clear is dropped with its files: the clear came after that copy.
    void finish(Recording recording);
    // Moves the entry to the top with the current time; nothing when it is no longer listed.
    void touch(const ClipboardItem& item);
    // Deletes the entry and its folder; nothing when it is no longer listed.
    void remove(const ClipboardItem& item);
    // Sets the limit, drops the entries beyond it with their folders, and saves.
    void apply(HistoryLimit limit);
    // Deletes every entry and its folder, and drops the copies still being recorded.
    void clear();
    // Returns once the whole history is listed, the index on disk lists what the list holds and the
    // folders of entries gone are removed.
    void flush();

Q_SIGNALS:
    // Around every change of the list; an operation that changes nothing signals nothing.
    void listAboutToChange();
    void listChanged();

private:
    void load();
    // Lists the rest of a long history once it has been read, and does what waited for it.
    void listRest();
    // Queues `change` behind a copy that waits for the rest; false when nothing waits.
    bool deferred(std::function<void()> change);
    static QList<ClipboardItem> withHead(
        QList<ClipboardItem> rest, qsizetype room, const QList<ClipboardItem>& head);
    // Queues the list to be written and the folders of `gone` to be removed after it.
    void save(std::span<const ClipboardItem> gone = {});
    // Sets aside an unreadable index found at load before anything replaces it; false when it cannot be.
    bool indexWritable();
    bool setAsideUnreadableIndex();
    static bool writeEntryFiles(
        const QString& directory, const QString& folder, const PasteboardCapture& capture);
    static QString stagingFolder(const QString& directory, const ClipboardItem& item);
    template <typename Change> void changeList(Change&& change);
    // Whether a list of `count` entries is longer than the limit.
    bool wouldTrim(qsizetype count) const;

    HistoryList m_list;
    std::optional<int> m_limit = 15;
    QString m_directory;
    bool m_indexUnreadable = false;
    // While the rest of a long history is read: what waits for it.
    struct Waiting {
        std::unique_ptr<HistoryLoad> load;
        // Places left blank at the front of the rest for what the head is by then.
        qsizetype room = 0;
        quint64 clears = 0;
        bool save = false;
        bool limitSet = false;
        std::vector<ClipboardItem> gone;
        // A copy waiting for the rest, and every change after it, in order.
        std::vector<std::function<void()>> later;
    };
    std::optional<Waiting> m_waiting;
    quint64 m_clears = 0;
    const Scheduler& m_clock;
    HistorySaver m_saver;
};
