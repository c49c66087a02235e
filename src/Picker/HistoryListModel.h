#pragma once

#include <QAbstractListModel>

class HistoryPickerModel;

// The visible entries of the picker model as rows for a list view. Rows carry no data of their own: the
// delegate reads the entry from the picker model, so a new list or query costs a reset and nothing more.
class HistoryListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit HistoryListModel(HistoryPickerModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void selectionMoved();

    HistoryPickerModel& m_model;
    int m_shownSelection = 0;
};
