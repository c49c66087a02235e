#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QList>

#include <optional>
#include <vector>

// The ordered entries of the history, newest first. The order is the stored order, never re-sorted by date.
struct HistoryList {
    // Shared with whoever was handed the list, such as an open picker, until one of them changes it.
    QList<ClipboardItem> items;

    // Removes and returns the entries beyond `maximum` (the oldest); nothing without a maximum.
    std::vector<ClipboardItem> trim(std::optional<int> maximum);
    // Moves the first entry with this fingerprint to the top with the given date. True when one was found.
    bool touchFingerprint(const QString& fingerprint, double date);
    // Moves the entry with this id to the top with the given date. True when one was found.
    bool touchId(const QString& id, double date);
    // Removes the first entry with this id and returns it.
    std::optional<ClipboardItem> remove(const QString& id);

    bool operator==(const HistoryList&) const = default;

private:
    bool moveToTop(QList<ClipboardItem>::iterator found, double date);
};
