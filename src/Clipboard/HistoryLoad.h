#pragma once

#include "Clipboard/ClipboardItem.h"
#include "Foundation/RegularFile.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <thread>

// Reading a history back from its folder. A long history's index is tens of megabytes and takes most of a
// second to read, so its first entries, all the first screen shows, are read at once and the rest on a
// worker while the program is already in use. A short index is read whole at once.
class HistoryLoad final {
public:
    enum class Outcome {
        Missing, // no index: a new history
        Unreadable, // an index that is not valid as a whole
        Read,
    };
    struct Part {
        Outcome outcome = Outcome::Missing;
        // Newest first, every one with a folder of its own, no id twice.
        QList<ClipboardItem> items;
    };

    // Reads the head before returning. `restReady` is called from the worker's thread when the rest is.
    HistoryLoad(QString directory, std::function<void()> restReady);
    // Waits for the worker.
    ~HistoryLoad();
    HistoryLoad(const HistoryLoad&) = delete;
    HistoryLoad& operator=(const HistoryLoad&) = delete;

    // The whole history, or its first entries when `restPending`.
    Part takeHead() { return std::move(m_head); }
    bool restPending() const { return m_worker.joinable(); }
    // Waits for the worker: the entries after the head, none with an id the head has, after as many blank
    // places as the head had entries, for the head to be put in without moving the rest. Unreadable when the
    // index as a whole is not valid: then its head is not either.
    Part takeRest();
    // Ready once the staging folders earlier runs left behind are removed: a new entry staged before then
    // would be taken for one of them. Not valid when that was done before the constructor returned.
    std::shared_future<void> leftoversRemoved() const { return m_leftoversRemoved; }

    // A new entry's files are written under this name, then renamed into place when complete; a name of
    // this form is never anything but an entry that was cut short.
    static QString stagingName(const QString& id);

private:
    // On the worker: the rest of the index after the ',' at `end`, and the folder's listing.
    void readRest(RegularFile::Started start, qsizetype end, QSet<QString> headIds,
        std::promise<void> leftoversRemoved);
    // Removes leftover staging folders; the names of the entry folders. Touches nothing but the folder.
    QSet<QString> scanFolder() const;
    // The entries that have a folder of their own, each id once, after `room` blank places.
    static QList<ClipboardItem> keepListed(
        std::vector<ClipboardItem> decoded, QSet<QString>& folders, qsizetype room = 0);

    QString m_directory;
    Part m_head;
    Part m_rest;
    std::shared_future<void> m_leftoversRemoved;
    std::thread m_worker;
};
