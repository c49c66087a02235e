#pragma once

#include <QStyledItemDelegate>

#include <functional>

class HistoryPickerModel;

// Paints the rows of the picker's list. Only rows on screen are painted, so only they ask for their
// thumbnails and dates.
class HistoryRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `now` gives the current time in seconds since 2001-01-01 UTC, for the relative dates.
    HistoryRowDelegate(HistoryPickerModel& model, std::function<double()> now, QObject* parent = nullptr);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    HistoryPickerModel& m_model;
    std::function<double()> m_now;
};
