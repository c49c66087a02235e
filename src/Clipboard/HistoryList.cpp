#include "Clipboard/HistoryList.h"

#include <algorithm>

std::vector<ClipboardItem> HistoryList::trim(std::optional<int> maximum)
{
    if (!maximum || *maximum < 0 || items.size() <= *maximum)
        return {};
    const auto cut = items.begin() + *maximum;
    std::vector<ClipboardItem> removed(std::make_move_iterator(cut), std::make_move_iterator(items.end()));
    items.erase(cut, items.end());
    return removed;
}

bool HistoryList::moveToTop(QList<ClipboardItem>::iterator found, double date)
{
    if (found == items.end())
        return false;
    found->date = date;
    std::rotate(items.begin(), found, found + 1);
    return true;
}

bool HistoryList::touchFingerprint(const QString& fingerprint, double date)
{
    return moveToTop(std::find_if(items.begin(), items.end(),
                                  [&](const ClipboardItem& item) { return item.fingerprint == fingerprint; }),
                     date);
}

bool HistoryList::touchId(const QString& id, double date)
{
    return moveToTop(
        std::find_if(items.begin(), items.end(), [&](const ClipboardItem& item) { return item.id == id; }), date);
}

std::optional<ClipboardItem> HistoryList::remove(const QString& id)
{
    const auto found
        = std::find_if(items.begin(), items.end(), [&](const ClipboardItem& item) { return item.id == id; });
    if (found == items.end())
        return std::nullopt;
    ClipboardItem removed = std::move(*found);
    items.erase(found);
    return removed;
}
