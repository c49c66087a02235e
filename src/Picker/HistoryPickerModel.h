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

    // Case-folds every preview for searching now rather than on the first keystroke.
    void prepareSearch() { foldUpTo(m_items.size()); }
    // From now until the search is ready, a query is matched against the previews case-folded so far (and
    // a few milliseconds' more), and the rows readied later join its results, told by rowsAppended: a
    // keystroke never waits for the whole history. The panel calls it as the picker appears, then
    // `prepareSearchStep` in the idle moments after, which folds for about `budgetMs` milliseconds and
    // returns false once every preview is ready.
    void prepareSearchInSteps() { m_preparingInSteps = !searchReady(); }
    bool prepareSearchStep(double budgetMs);
    bool searchReady() const { return m_foldedEnds.size() == static_cast<std::size_t>(m_items.size()); }

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
    // Visible rows `first` to `last` are about to be added at the end, the query and the rows before them
    // unchanged; then they are.
    void rowsAboutToBeAppended(int first, int last);
    void rowsAppended();

private:
    void refilter();
    // Folds the previews of the rows before `end` that are not folded yet.
    void foldUpTo(qsizetype end);
    // Folds the next previews for about `budgetMs` milliseconds.
    void foldFor(double budgetMs);
    QStringView foldedPreview(std::size_t row) const;
    void clearFolded();
    // The rows whose preview folds to one containing `folded` among the ready rows from `from` on.
    void appendMatches(QList<int>& rows, const QString& folded, std::size_t from) const;

    QList<ClipboardItem> m_items;
    QString m_query;
    int m_selection = 0;
    ThumbnailLoader m_loadThumbnail;
    QHash<QString, std::optional<QImage>> m_thumbnails;

    // Filtering 100,000 entries on every keystroke must stay well under a frame, so the case-folded
    // previews are kept per item list and the matching rows per query instead of being recomputed on
    // every read. The previews of the first rows are folded; the rest wait for the next step, or for a
    // search that needs them while no steps are being taken.
    // One after another in one block, which a search runs through far faster than through 100,000 separate
    // strings: row r's folded preview ends at m_foldedEnds[r] and starts where row r − 1's ends.
    QString m_foldedText;
    std::vector<qsizetype> m_foldedEnds;
    bool m_preparingInSteps = false;
    // Indices into m_items; unused while the query is empty. Shared with the remembered search it came from.
    QList<int> m_visibleRows;
    // The rows of the queries typed lately in this opening, by folded query. Typing on searches only the
    // rows that matched what was typed before, and deleting a letter finds its rows here.
    struct Search {
        QString folded;
        QList<int> rows;
        // How many rows, from the first, were searched.
        std::size_t searched = 0;
    };
    std::vector<Search> m_recentSearches;
};
