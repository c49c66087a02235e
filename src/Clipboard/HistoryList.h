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
    // The position of the entry with this id, or -1.
    qsizetype indexOfId(const QString& id) const;
    // The position of the first entry with this fingerprint, or -1.
    qsizetype indexOfFingerprint(const QString& fingerprint) const;
    // Moves the entry at `index` to the top with the given date.
    void moveToTop(qsizetype index, double date);
    // Removes the entry at `index` and returns it.
    ClipboardItem takeAt(qsizetype index);

    bool operator==(const HistoryList&) const = default;
};
