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
    // From now until the next reset, a keystroke never waits for the whole history: a query shows at once
    // the first screenful of its rows (or what a few milliseconds' search finds), and the rest joins its
    // results, told by rowsAppended, as `prepareSearchStep` searches on. The panel calls it as the picker
    // appears, then `prepareSearchStep` in the idle moments after, which folds previews and searches for
    // about `budgetMs` milliseconds and returns false once there is nothing left to do.
    void prepareSearchInSteps() { m_inSteps = true; }
    bool prepareSearchStep(double budgetMs);
    bool searchReady() const { return m_foldedEnds.size() == static_cast<std::size_t>(m_items.size()); }
    // Whether the rows shown are every row the query matches.
    bool searchComplete() const { return m_query.isEmpty() || m_search.searched == m_items.size(); }
    // Whether `prepareSearchStep` has anything left to do.
    bool searchPending() const { return m_inSteps && (!searchReady() || !searchComplete()); }

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
    // The rows of a query, by its folded text: those among the rows before `searched`.
    struct Search {
        QString folded;
        QList<int> rows;
        qsizetype searched = 0;
    };

    // Starts the search for the query over; in steps, it stops once the first screenful is found.
    void refilter();
    // Searches the query on from where it stopped, into `rows`, until `enough` rows are found in all or
    // `budgetMs` milliseconds have passed.
    void searchOn(QList<int>& rows, double budgetMs, qsizetype enough);
    // The same, with the rows found announced as appended.
    void searchOnAppending(double budgetMs, qsizetype enough);
    // Remembers the current search as the newest, or updates it where it already is.
    void remember(bool newest);
    // Folds the previews of the rows before `end` that are not folded yet.
    void foldUpTo(qsizetype end);
    QStringView foldedPreview(std::size_t row) const;
    void clearFolded();
    // The rows from `from` to `end` whose preview folds to one containing `folded`.
    void appendMatches(QList<int>& rows, const QString& folded, std::size_t from, std::size_t end) const;

    QList<ClipboardItem> m_items;
    QString m_query;
    int m_selection = 0;
    ThumbnailLoader m_loadThumbnail;
    QHash<QString, std::optional<QImage>> m_thumbnails;

    // Filtering 100,000 entries on every keystroke must stay well under a frame, so the case-folded
    // previews are kept per item list and the matching rows per query instead of being recomputed on
    // every read. The previews are folded as a search reaches them, or ahead of it in idle steps.
    // One after another in one block, which a search runs through far faster than through 100,000 separate
    // strings: row r's folded preview ends at m_foldedEnds[r] and starts where row r − 1's ends.
    QString m_foldedText;
    std::vector<qsizetype> m_foldedEnds;
    bool m_inSteps = false;
    // The query's search: `rows` are the visible rows (indices into m_items), unused while the query is
    // empty.
    Search m_search;
    // A search of a shorter part of the query: below its `searched`, only its rows can match, and the
    // next of them to try is m_narrowedNext.
    Search m_narrowed;
    qsizetype m_narrowedNext = 0;
    // The queries typed lately in this opening, newest last. Typing on searches only the rows that matched
    // what was typed before, and deleting a letter finds its rows here.
    std::vector<Search> m_recentSearches;
};
