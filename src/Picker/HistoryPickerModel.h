#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// What the history picker shows: the entries offered at this opening, the search text, the selected row
// and the thumbnails asked for so far. The panel feeds it; the view draws from it.
class HistoryPickerModel final : public QObject {
    Q_OBJECT

public:
    using ThumbnailLoader = std::function<std::optional<QImage>(const ClipboardItem&)>;

    explicit HistoryPickerModel(QObject* parent = nullptr);

    // Starts an opening afresh: new entries and thumbnail supplier, no cached thumbnails, empty query,
    // first row selected.
    void reset(QList<ClipboardItem> items, ThumbnailLoader loadThumbnail);

    const QList<ClipboardItem>& items() const { return m_items; }
    void setItems(QList<ClipboardItem> items);

    const QString& query() const { return m_query; }
    // Every assignment selects the first row again, even one that leaves the text as it was.
    void setQuery(const QString& query);

    // Index into the visible entries; may point past their end, in which case nothing is selected.
    int selection() const { return m_selection; }
    void setSelection(int selection);

    // The entries whose preview contains the query, ignoring case the way the user's language does.
    int visibleCount() const;
    const ClipboardItem& visibleItem(int row) const;
    QList<ClipboardItem> visible() const;
    std::optional<ClipboardItem> selectedItem() const;

    // Case-folds the previews for searching now rather than on the first keystroke; the panel calls it
    // once the picker is on screen, while the user has yet to type.
    void prepareSearch() { foldedPreviews(); }

    // Moves the selection by `step` rows, wrapping around the visible entries.
    void move(int step);
    // Drops every entry with the item's id; the selection only ever moves up to stay on a row.
    void remove(const ClipboardItem& item);

    // Asks the supplier once per entry and opening; a failed load is remembered as well.
    std::optional<QImage> thumbnail(const ClipboardItem& item);

signals:
    void itemsChanged();
    void queryChanged();
    void selectionChanged();

private:
    void refilter();
    const std::vector<QString>& foldedPreviews();

    QList<ClipboardItem> m_items;
    QString m_query;
    int m_selection = 0;
    ThumbnailLoader m_loadThumbnail;
    QHash<QString, std::optional<QImage>> m_thumbnails;

    // Filtering 10,000 entries on every keystroke must stay well under a frame, so the case-folded
    // previews are kept per item list and the matching rows per query instead of being recomputed on
    // every read.
    std::vector<QString> m_foldedPreviews;
    bool m_foldedValid = false;
    // Indices into m_items; unused while the query is empty. Shared with the remembered search it came from.
    QList<int> m_visibleRows;
    // The rows of the queries typed lately in this opening, by folded query. Typing on searches only the
    // rows that matched what was typed before, and deleting a letter finds its rows here.
    struct Search {
        QString folded;
        QList<int> rows;
    };
    std::vector<Search> m_recentSearches;
};
