#include "Picker/HistoryRowDelegate.h"

#include "Picker/HistoryPickerModel.h"
#include "Picker/HistoryRow.h"
#include "Picker/RelativeDate.h"

#include <QPainter>

HistoryRowDelegate::HistoryRowDelegate(
    HistoryPickerModel& model, std::function<double()> now, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
    , m_now(std::move(now))
{ }

void HistoryRowDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto row = index.row();
    if (row < 0 || row >= m_model.visibleCount())
        return;
    HistoryRow view;
    view.item = m_model.visibleItem(row);
    view.number = row + 1;
    view.selected = row == m_model.selection();
    view.thumbnail = m_model.thumbnail(view.item);
    view.dateText = RelativeDate::text(view.item.date, m_now());
    view.paint(*painter, option.rect, option.palette);
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), static_cast<int>(HistoryRow::height));
}
