#include "Picker/HistoryPickerModel.h"

#include "Picker/CaseFolding.h"

#include <algorithm>

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
        m_foldedValid = false;
        m_foldedPreviews.clear();
    }
    m_recentSearches.clear();
    m_loadThumbnail = loadThumbnail ? std::move(loadThumbnail)
                                    : [](const ClipboardItem&) { return std::optional<QImage>(); };
    m_thumbnails.clear();
    m_query.clear();
    m_selection = 0;
    m_visibleRows.clear();
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
    m_foldedValid = false;
    m_foldedPreviews.clear();
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
    return m_query.isEmpty() ? static_cast<int>(m_items.size()) : static_cast<int>(m_visibleRows.size());
}

const ClipboardItem& HistoryPickerModel::visibleItem(int row) const
{
    return m_query.isEmpty() ? m_items.at(row)
                             : m_items.at(m_visibleRows.at(row));
}

QList<ClipboardItem> HistoryPickerModel::visible() const
{
    if (m_query.isEmpty())
        return m_items;
    QList<ClipboardItem> result;
    result.reserve(static_cast<qsizetype>(m_visibleRows.size()));
    for (const auto row : m_visibleRows)
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
    const auto count = visibleCount();
    if (count == 0)
        return;
    // The step may be larger than the list; the double modulo keeps the result in range either way.
    setSelection(((m_selection + step) % count + count) % count);
}

void HistoryPickerModel::remove(const ClipboardItem& item)
{
    QList<ClipboardItem> kept;
    std::vector<QString> keptFolded;
    kept.reserve(m_items.size());
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).id == item.id)
            continue;
        kept.push_back(m_items.at(row));
        if (m_foldedValid)
            keptFolded.push_back(m_foldedPreviews[static_cast<size_t>(row)]);
    }
    if (kept.size() != m_items.size()) {
        // The remaining previews keep their folded forms; a deletion never refolds the whole history.
        m_items = std::move(kept);
        m_foldedPreviews = std::move(keptFolded);
        m_recentSearches.clear();
        refilter();
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
    m_visibleRows.clear();
    if (m_query.isEmpty())
        return;
    const auto folded = CaseFolding::fold(m_query, CaseFolding::localeIsTurkic());
    const auto& previews = foldedPreviews();
    const Search* narrowest = nullptr;
    for (const Search& search : m_recentSearches) {
        if (search.folded == folded) {
            m_visibleRows = search.rows;
            return;
        }
        // A preview that contains the new query contains every part of it that was searched before.
        if (folded.contains(search.folded) && (!narrowest || search.rows.size() < narrowest->rows.size()))
            narrowest = &search;
    }
    const auto matches = [&](std::size_t row) { return previews[row].contains(folded); };
    if (narrowest) {
        for (const int row : narrowest->rows)
            if (matches(static_cast<std::size_t>(row)))
                m_visibleRows.push_back(row);
    } else {
        for (std::size_t row = 0; row < previews.size(); ++row)
            if (matches(row))
                m_visibleRows.push_back(static_cast<int>(row));
    }
    constexpr std::size_t remembered = 32;
    if (m_recentSearches.size() == remembered)
        m_recentSearches.erase(m_recentSearches.begin());
    m_recentSearches.push_back({ folded, m_visibleRows });
}

const std::vector<QString>& HistoryPickerModel::foldedPreviews()
{
    // Folded on the first search of a list rather than at reset, so that opening the picker stays cheap.
    if (!m_foldedValid) {
        const bool turkic = CaseFolding::localeIsTurkic();
        m_foldedPreviews.clear();
        m_foldedPreviews.reserve(static_cast<size_t>(m_items.size()));
        for (const auto& item : std::as_const(m_items))
            m_foldedPreviews.push_back(CaseFolding::fold(item.preview, turkic));
        m_foldedValid = true;
    }
    return m_foldedPreviews;
}
