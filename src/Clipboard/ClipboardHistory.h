#pragma once

#include "Clipboard/HistoryLimit.h"
#include "Clipboard/HistoryList.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <span>

class PasteboardCapture;
class Scheduler;

// The clipboard history: the list of entries and, on disk, one folder per entry holding its raw data plus
// "index.json" listing them. The in-memory list is authoritative; the index follows it after each change.
class ClipboardHistory final : public QObject {
    Q_OBJECT
public:
    // Loads the history kept in `directory` (created 0700 when missing). The clock dates new entries.
    ClipboardHistory(QString directory, const Scheduler& clock, QObject* parent = nullptr);

    const HistoryList& list() const { return m_list; }
    const QList<ClipboardItem>& items() const { return m_list.items; }
    std::optional<int> limit() const { return m_limit; }
    const QString& directory() const { return m_directory; }
    // The folder holding an entry's files.
    QString entryFolder(const ClipboardItem& item) const { return m_directory + u'/' + item.id; }
    QString indexPath() const { return m_directory + QStringLiteral("/index.json"); }

    // Records a copy; a copy seen before (same fingerprint) only moves its entry to the top.
    void add(const PasteboardCapture& capture, const std::optional<QString>& source);
    // Moves the entry to the top with the current time; nothing when it is no longer listed.
    void touch(const ClipboardItem& item);
    // Deletes the entry and its folder; nothing when it is no longer listed.
    void remove(const ClipboardItem& item);
    // Sets the limit, drops the entries beyond it with their folders, and saves.
    void apply(HistoryLimit limit);
    // Deletes every entry and its folder.
    void clear();

Q_SIGNALS:
    // Around every change of the list; an operation that changes nothing signals nothing.
    void listAboutToChange();
    void listChanged();

private:
    void load();
    // Removes leftover staging folders; the names of the entry folders.
    QSet<QString> scanFolder();
    void save();
    // Writes the index, first setting aside an unreadable one found at load; false when nothing was written.
    bool writeIndex(std::initializer_list<std::span<const ClipboardItem>> parts);
    bool setAsideUnreadableIndex();
    void deleteFiles(std::span<const ClipboardItem> items);
    bool writeEntryFiles(const QString& folder, const PasteboardCapture& capture);
    template <typename Change>
    void changeList(Change&& change);
    bool contains(const QString& id) const;
    bool wouldTrim(std::optional<int> maximum) const;

    HistoryList m_list;
    std::optional<int> m_limit = 15;
    QString m_directory;
    bool m_indexUnreadable = false;
    const Scheduler& m_clock;
};
