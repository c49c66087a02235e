#include "Picker/HistoryListModel.h"

#include "Picker/HistoryPickerModel.h"

HistoryListModel::HistoryListModel(HistoryPickerModel& model, QObject* parent)
    : QAbstractListModel(parent)
    , m_model(model)
    , m_shownSelection(model.selection())
{
    const auto rebuild = [this] {
        beginResetModel();
        m_shownSelection = m_model.selection();
        endResetModel();
    };
    connect(&m_model, &HistoryPickerModel::itemsChanged, this, rebuild);
    connect(&m_model, &HistoryPickerModel::queryChanged, this, rebuild);
    connect(&m_model, &HistoryPickerModel::selectionChanged, this, &HistoryListModel::selectionMoved);
    connect(&m_model, &HistoryPickerModel::rowsAboutToBeAppended, this,
        [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&m_model, &HistoryPickerModel::rowsAppended, this, [this] {
        endInsertRows();
        // The first row of a search that had found nothing yet is selected as it arrives.
        if (m_shownSelection >= 0 && m_shownSelection < rowCount())
            emit dataChanged(index(m_shownSelection), index(m_shownSelection));
    });
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_model.visibleCount();
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_model.visibleCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_model.visibleItem(index.row()).preview;
    return {};
}

void HistoryListModel::selectionMoved()
{
    // Only the rows that gained or lost the highlight need repainting.
    const auto count = rowCount();
    for (const auto row : { m_shownSelection, m_model.selection() }) {
        if (row >= 0 && row < count)
            emit dataChanged(index(row), index(row));
    }
    m_shownSelection = m_model.selection();
}
