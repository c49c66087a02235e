#include "Clipboard/HistoryList.h"

#include <algorithm>
#include <cstring>

std::vector<ClipboardItem> HistoryList::trim(std::optional<int> maximum)
{
    if (!maximum || *maximum < 0 || items.size() <= *maximum)
        return {};
    const auto cut = items.begin() + *maximum;
    std::vector<ClipboardItem> removed(std::make_move_iterator(cut), std::make_move_iterator(items.end()));
    items.erase(cut, items.end());
    return removed;
}

namespace {

// Ids are UUIDs and fingerprints hashes, which differ in their first characters: looking at those first
// spares a full comparison of all but a few of 100,000 entries.
qsizetype indexOf(const QList<ClipboardItem>& items, QString ClipboardItem::*field, const QString& value)
{
    const auto found = std::find_if(items.cbegin(), items.cend(), [&](const ClipboardItem& item) {
        const QString& text = item.*field;
        return text.size() == value.size() && (text.isEmpty() || text.front() == value.front())
            && text == value;
    });
    return found == items.cend() ? -1 : found - items.cbegin();
}

} // namespace

qsizetype HistoryList::indexOfId(const QString& id) const
{
    return indexOf(items, &ClipboardItem::id, id);
}

qsizetype HistoryList::indexOfFingerprint(const QString& fingerprint) const
{
    return indexOf(items, &ClipboardItem::fingerprint, fingerprint);
}

void HistoryList::moveToTop(qsizetype index, double date)
{
    static_assert(QTypeInfo<ClipboardItem>::isRelocatable);
    // The entries before it shift down by one as bytes, as the list itself moves relocatable entries:
    // rotating them one by one, or taking the entry out and putting it back in front, costs many times more.
    ClipboardItem* data = items.data();
    alignas(ClipboardItem) std::byte moved[sizeof(ClipboardItem)];
    std::memcpy(moved, static_cast<void*>(data + index), sizeof(ClipboardItem));
    std::memmove(static_cast<void*>(data + 1), static_cast<void*>(data),
        sizeof(ClipboardItem) * static_cast<std::size_t>(index));
    std::memcpy(static_cast<void*>(data), moved, sizeof(ClipboardItem));
    data->date = date;
}

ClipboardItem HistoryList::takeAt(qsizetype index)
{
    return items.takeAt(index);
}
