#include "Picker/HistoryPickerModel.h"

#include "Picker/CaseFolding.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

HistoryPickerModel::HistoryPickerModel(QObject* parent)
    : QObject(parent)
    , m_loadThumbnail([](const ClipboardItem&) { return std::optional<QImage>(); })
{ }

void HistoryPickerModel::reset(QList<ClipboardItem> items, ThumbnailLoader loadThumbnail)
{
    // All fields take their new values before anyone is told, so that no observer (and no filter run)
    // ever sees the new entries under the previous opening's query.
    const bool itemsDiffer = items != m_items;
    const bool queryDiffers = !m_query.isEmpty();
    const bool selectionDiffers = m_selection != 0;
    if (itemsDiffer) {
        m_items = std::move(items);
        clearFolded();
    }
    m_inSteps = false;
    m_recentSearches.clear();
    m_loadThumbnail = loadThumbnail ? std::move(loadThumbnail)
                                    : [](const ClipboardItem&) { return std::optional<QImage>(); };
    m_thumbnails.clear();
    m_query.clear();
    m_selection = 0;
    m_search = {};
    m_narrowed = {};
    if (itemsDiffer)
        emit itemsChanged();
    if (queryDiffers)
        emit queryChanged();
    if (selectionDiffers)
        emit selectionChanged();
}

void HistoryPickerModel::setItems(QList<ClipboardItem> items)
{
    if (items == m_items)
        return;
    m_items = std::move(items);
    clearFolded();
    m_recentSearches.clear();
    refilter();
    emit itemsChanged();
}

void HistoryPickerModel::setQuery(const QString& query)
{
    const bool changed = query != m_query;
    if (changed) {
        m_query = query;
        refilter();
        emit queryChanged();
    }
    setSelection(0);
}

void HistoryPickerModel::setSelection(int selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    emit selectionChanged();
}

int HistoryPickerModel::visibleCount() const
{
    return m_query.isEmpty() ? static_cast<int>(m_items.size()) : static_cast<int>(m_search.rows.size());
}

const ClipboardItem& HistoryPickerModel::visibleItem(int row) const
{
    return m_query.isEmpty() ? m_items.at(row) : m_items.at(m_search.rows.at(row));
}

QList<ClipboardItem> HistoryPickerModel::visible() const
{
    if (m_query.isEmpty())
        return m_items;
    QList<ClipboardItem> result;
    result.reserve(m_search.rows.size());
    for (const auto row : m_search.rows)
        result.push_back(m_items.at(row));
    return result;
}

std::optional<ClipboardItem> HistoryPickerModel::selectedItem() const
{
    if (m_selection < 0 || m_selection >= visibleCount())
        return std::nullopt;
    return visibleItem(m_selection);
}

void HistoryPickerModel::move(int step)
{
    const auto target = m_selection + step;
    // A move that wraps around needs the last row, which a search still going on has not found yet.
    if ((target < 0 || target >= visibleCount()) && !searchComplete())
        searchOnAppending(std::numeric_limits<double>::infinity(), 0);
    const auto count = visibleCount();
    if (count == 0)
        return;
    // The step may be larger than the list; the double modulo keeps the result in range either way.
    setSelection(((m_selection + step) % count + count) % count);
}

void HistoryPickerModel::remove(const ClipboardItem& item)
{
    QList<ClipboardItem> kept;
    QString keptText;
    std::vector<qsizetype> keptEnds;
    kept.reserve(m_items.size());
    keptText.reserve(m_foldedText.size());
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).id == item.id)
            continue;
        kept.push_back(m_items.at(row));
        if (static_cast<std::size_t>(row) < m_foldedEnds.size()) {
            keptText.append(foldedPreview(static_cast<std::size_t>(row)));
            keptEnds.push_back(keptText.size());
        }
    }
    if (kept.size() != m_items.size()) {
        // The remaining previews keep their folded forms; a deletion never refolds the whole history.
        m_items = std::move(kept);
        m_foldedText = std::move(keptText);
        m_foldedEnds = std::move(keptEnds);
        m_recentSearches.clear();
        refilter();
        // The row that takes the selected one's place must be among those found.
        if (m_inSteps && !m_query.isEmpty())
            searchOn(m_search.rows, std::numeric_limits<double>::infinity(), m_selection + 1);
        emit itemsChanged();
    }
    setSelection(std::min(m_selection, std::max(visibleCount() - 1, 0)));
}

std::optional<QImage> HistoryPickerModel::thumbnail(const ClipboardItem& item)
{
    const auto cached = m_thumbnails.constFind(item.id);
    if (cached != m_thumbnails.constEnd())
        return *cached;
    auto loaded = m_loadThumbnail(item);
    m_thumbnails.insert(item.id, loaded);
    return loaded;
}

void HistoryPickerModel::refilter()
{
    m_search = {};
    m_narrowed = {};
    m_narrowedNext = 0;
    if (m_query.isEmpty())
        return;
    m_search.folded = CaseFolding::fold(m_query, CaseFolding::localeIsTurkic());
    const Search* narrowest = nullptr;
    for (const Search& search : m_recentSearches) {
        if (search.folded == m_search.folded) {
            m_search = search;
            narrowest = nullptr;
            break;
        }
        // A preview that contains the new query contains every part of it that was searched before.
        if (m_search.folded.contains(search.folded)
            && (!narrowest || search.rows.size() < narrowest->rows.size()))
            narrowest = &search;
    }
    if (narrowest)
        m_narrowed = *narrowest;
    // In steps, a keystroke finds what fills the window and a little more; the steps find the rest.
    constexpr double keystrokeMs = 2;
    constexpr qsizetype firstScreen = 64;
    if (m_inSteps)
        searchOn(m_search.rows, keystrokeMs, firstScreen);
    else
        searchOn(m_search.rows, std::numeric_limits<double>::infinity(), 0);
    remember(true);
}

void HistoryPickerModel::searchOn(QList<int>& rows, double budgetMs, qsizetype enough)
{
    QElapsedTimer clock;
    clock.start();
    // A slice of rows at a time: reading the clock costs more than searching one short preview.
    constexpr qsizetype slice = 256;
    const qsizetype total = m_items.size();
    // What was shown before, when the rows found go to a list of their own.
    const qsizetype shownBefore = &rows == &m_search.rows ? 0 : m_search.rows.size();
    while (m_search.searched < total) {
        const qsizetype from = m_search.searched;
        qsizetype end = std::min(total, from + slice);
        if (from < m_narrowed.searched) {
            end = std::min(end, m_narrowed.searched);
            const QList<int>& candidates = m_narrowed.rows;
            for (; m_narrowedNext < candidates.size() && candidates[m_narrowedNext] < end; ++m_narrowedNext) {
                const int row = candidates[m_narrowedNext];
                if (foldedPreview(static_cast<std::size_t>(row)).contains(m_search.folded))
                    rows.push_back(row);
            }
        } else {
            foldUpTo(end);
            appendMatches(
                rows, m_search.folded, static_cast<std::size_t>(from), static_cast<std::size_t>(end));
        }
        m_search.searched = end;
        if ((enough > 0 && shownBefore + rows.size() >= enough)
            || static_cast<double>(clock.nsecsElapsed()) / 1e6 >= budgetMs)
            return;
    }
}

void HistoryPickerModel::searchOnAppending(double budgetMs, qsizetype enough)
{
    QList<int> found;
    searchOn(found, budgetMs, enough);
    if (found.isEmpty()) {
        remember(false);
        return;
    }
    const auto first = static_cast<int>(m_search.rows.size());
    emit rowsAboutToBeAppended(first, first + static_cast<int>(found.size()) - 1);
    m_search.rows.append(found);
    remember(false);
    emit rowsAppended();
}

void HistoryPickerModel::remember(bool newest)
{
    const auto same = [&](const Search& search) { return search.folded == m_search.folded; };
    if (!newest) {
        const auto found = std::find_if(m_recentSearches.begin(), m_recentSearches.end(), same);
        if (found != m_recentSearches.end())
            *found = m_search;
        return;
    }
    constexpr std::size_t remembered = 32;
    std::erase_if(m_recentSearches, same);
    if (m_recentSearches.size() == remembered)
        m_recentSearches.erase(m_recentSearches.begin());
    m_recentSearches.push_back(m_search);
}

QStringView HistoryPickerModel::foldedPreview(std::size_t row) const
{
    const qsizetype start = row == 0 ? 0 : m_foldedEnds[row - 1];
    return QStringView(m_foldedText).sliced(start, m_foldedEnds[row] - start);
}

void HistoryPickerModel::clearFolded()
{
    m_foldedText.clear();
    m_foldedEnds.clear();
}

void HistoryPickerModel::appendMatches(
    QList<int>& rows, const QString& folded, std::size_t from, std::size_t end) const
{
    if (from >= end)
        return;
    if (folded.isEmpty()) {
        for (std::size_t row = from; row < end; ++row)
            rows.push_back(static_cast<int>(row));
        return;
    }
    // One search through the block from each match on, rather than one per row: each finding is given to
    // the row that holds it, and a finding that runs over a row's end belongs to no row.
    const QStringView text = QStringView(m_foldedText).first(m_foldedEnds[end - 1]);
    std::size_t row = from;
    qsizetype at = row == 0 ? 0 : m_foldedEnds[row - 1];
    while (row < end) {
        // A single letter, the first one typed, goes straight to the vectorised search for one character.
        const qsizetype found
            = folded.size() == 1 ? text.indexOf(folded.front(), at) : text.indexOf(folded, at);
        if (found < 0)
            return;
        while (row < end && m_foldedEnds[row] <= found)
            ++row;
        if (row == end)
            return;
        if (found + folded.size() <= m_foldedEnds[row]) {
            rows.push_back(static_cast<int>(row));
            at = m_foldedEnds[row];
            ++row;
        } else {
            at = found + 1;
        }
    }
}

void HistoryPickerModel::foldUpTo(qsizetype end)
{
    if (m_foldedEnds.empty()) {
        // Folding keeps almost every text at its length: room for all of them at once.
        qsizetype total = 0;
        for (const auto& item : std::as_const(m_items))
            total += item.preview.size();
        m_foldedText.reserve(total + total / 16);
        m_foldedEnds.reserve(static_cast<std::size_t>(m_items.size()));
    }
    const bool turkic = CaseFolding::localeIsTurkic();
    for (auto row = static_cast<qsizetype>(m_foldedEnds.size()); row < end; ++row) {
        m_foldedText.append(CaseFolding::fold(m_items.at(row).preview, turkic));
        m_foldedEnds.push_back(m_foldedText.size());
    }
}

bool HistoryPickerModel::prepareSearchStep(double budgetMs)
{
    if (!searchPending())
        return false;
    QElapsedTimer clock;
    clock.start();
    // The query's own rows first: they are what the user waits for. Every step moves on, however small its
    // budget.
    bool moved = false;
    if (!searchComplete()) {
        searchOnAppending(budgetMs, 0);
        moved = true;
    }
    // A slice of rows at a time: reading the clock costs more than folding one short preview.
    constexpr qsizetype slice = 256;
    while (!searchReady() && (!moved || static_cast<double>(clock.nsecsElapsed()) / 1e6 < budgetMs)) {
        foldUpTo(std::min(m_items.size(), static_cast<qsizetype>(m_foldedEnds.size()) + slice));
        moved = true;
    }
    return searchPending();
}
