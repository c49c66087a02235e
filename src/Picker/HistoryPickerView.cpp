#include "Picker/HistoryPickerView.h"

#include "Foundation/Localization.h"
#include "GlobalShortcuts/KeyNotation.h"
#include "Picker/HistoryListModel.h"
#include "Picker/HistoryPickerModel.h"
#include "Picker/HistoryRow.h"
#include "Picker/HistoryRowDelegate.h"
#include "Picker/PickerStyle.h"
#include "Platform/KeyCodes.h"

#include <QBoxLayout>
#include <QCursor>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStackedWidget>

namespace {

constexpr double footerPoints = 11;
constexpr int footerInset = 12;

QWidget* divider(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    auto palette = line->palette();
    auto color = PickerStyle::primary(palette);
    color.setAlphaF(0.12f);
    palette.setColor(QPalette::Window, color);
    line->setPalette(palette);
    return line;
}

void setTextColor(QLabel* label, const QColor& color)
{
    auto palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

HistoryPickerView::HistoryPickerView(
    HistoryPickerModel& model, std::function<double()> now, SystemFamily family, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    const auto palette = this->palette();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setFixedHeight(headerHeight);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 0, 12, 0);
    headerLayout->setSpacing(8);
    auto* glass = new QLabel(header);
    glass->setPixmap(PickerStyle::symbol(
        QStringLiteral("magnifyingglass"), 14, PickerStyle::secondary(palette), devicePixelRatioF()));
    m_queryLabel = new QLabel(header);
    m_queryLabel->setFont(PickerStyle::font(13));
    m_queryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_queryLabel->setTextFormat(Qt::PlainText);
    headerLayout->addWidget(glass);
    headerLayout->addWidget(m_queryLabel, 1);
    layout->addWidget(header);
    layout->addWidget(divider(this));

    m_stack = new QStackedWidget(this);
    m_message = new QLabel(m_stack);
    m_message->setFont(PickerStyle::font(13));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    // Side padding as designed; above and below the text only centres, because a wrapped message in the
    // one-row panel would not fit between two full paddings.
    m_message->setContentsMargins(24, 0, 24, 0);
    m_message->setTextFormat(Qt::PlainText);
    setTextColor(m_message, PickerStyle::secondary(palette));
    m_stack->addWidget(m_message);

    auto* listBox = new QWidget(m_stack);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->setContentsMargins(listPadding, listPadding, listPadding, listPadding);
    m_list = new QListView(listBox);
    m_rows = new HistoryListModel(m_model, this);
    m_list->setModel(m_rows);
    m_list->setItemDelegate(new HistoryRowDelegate(m_model, std::move(now), m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->verticalScrollBar()->setSingleStep(static_cast<int>(HistoryRow::height / 2));
    m_list->viewport()->setAutoFillBackground(false);
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    // A slim scroller over the rows instead of a gutter beside them.
    m_list->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { width: 7px; background: transparent; margin: 2px 0 2px 0; }"
                       "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 120); border-radius: "
                       "3px; min-height: 24px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    listLayout->addWidget(m_list);
    m_stack->addWidget(listBox);
    layout->addWidget(m_stack, 1);

    layout->addWidget(divider(this));
    // Command-Delete deletes the selected entry: Ctrl+Backspace on Linux.
    const auto deleteKeys = GlobalShortcuts::KeyNotation::commandWith(
        family, *GlobalShortcuts::KeyNotation::specialKey(family, KeyCodes::deleteKey));
    m_hints = Localization::format(
        "↑↓ выбрать · Return или 1–9 вставить · %@ удалить · Esc закрыть", { deleteKeys });
    m_footer = new QLabel(m_hints, this);
    m_footer->setFixedHeight(footerHeight);
    m_footer->setAlignment(Qt::AlignCenter);
    m_footer->setFont(PickerStyle::font(footerPoints));
    m_footer->setTextFormat(Qt::PlainText);
    setTextColor(m_footer, PickerStyle::secondary(palette));
    layout->addWidget(m_footer);

    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) { chooseRow(index.row()); });
    connect(&m_model, &HistoryPickerModel::itemsChanged, this, [this] {
        updateContent();
        m_list->scrollToTop();
    });
    connect(&m_model, &HistoryPickerModel::queryChanged, this, [this] {
        updateHeader();
        updateContent();
        m_list->scrollToTop();
    });
    connect(&m_model, &HistoryPickerModel::rowsAppended, this, &HistoryPickerView::updateContent);
    connect(&m_model, &HistoryPickerModel::selectionChanged, this, &HistoryPickerView::revealSelection);
    updateHeader();
    updateContent();
}

void HistoryPickerView::chooseRow(int row)
{
    if (row >= 0 && row < m_model.visibleCount())
        onChoose(m_model.visibleItem(row));
}

QString HistoryPickerView::headerText() const
{
    return m_queryLabel->text();
}

QString HistoryPickerView::messageText() const
{
    return m_stack->currentWidget() == m_message ? m_message->text() : QString();
}

void HistoryPickerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    // No blur behind windows here: a nearly opaque fill keeps text legible over anything.
    auto fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.96f);
    painter.fillPath(shape, fill);
    auto border = PickerStyle::primary(palette());
    border.setAlphaF(0.08f);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
}

void HistoryPickerView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateHeader();
    fitFooter();
}

void HistoryPickerView::setNotice(const QString& notice)
{
    m_footer->setText(notice.isEmpty() ? m_hints : notice);
    fitFooter();
}

void HistoryPickerView::fitFooter()
{
    // Longer key names (Ctrl+Backspace) must not push the hints under the rounded corners.
    const int room = width() - 2 * footerInset;
    for (double points = footerPoints; points >= footerPoints - 2; points -= 0.5) {
        m_footer->setFont(PickerStyle::font(points));
        if (m_footer->fontMetrics().horizontalAdvance(m_footer->text()) <= room)
            return;
    }
}

void HistoryPickerView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A picker that opens under a resting pointer keeps its first row selected until the pointer moves.
    m_lastPointer = QCursor::pos();
}

bool HistoryPickerView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove) {
        // Only a pointer that really moved selects: rows scrolling under a resting pointer do not.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->globalPosition() != m_lastPointer) {
            m_lastPointer = move->globalPosition();
            const auto index = m_list->indexAt(move->position().toPoint());
            if (index.isValid())
                m_model.setSelection(index.row());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryPickerView::updateHeader()
{
    const auto& query = m_model.query();
    if (query.isEmpty()) {
        m_queryLabel->setText(Localization::text("Печатайте, чтобы искать"));
        setTextColor(m_queryLabel, PickerStyle::tertiary(palette()));
        return;
    }
    // The end of a long query is what was just typed, so that is the part kept in view.
    const QFontMetrics metrics(m_queryLabel->font());
    m_queryLabel->setText(metrics.elidedText(query, Qt::ElideLeft, std::max(m_queryLabel->width(), 1)));
    setTextColor(m_queryLabel, PickerStyle::primary(palette()));
}

void HistoryPickerView::updateContent()
{
    // A search still going on may find rows yet: nothing is said until it has found none.
    if (m_model.visibleCount() > 0 || !m_model.searchComplete()) {
        m_stack->setCurrentIndex(1);
        return;
    }
    m_message->setText(m_model.items().empty()
            ? Localization::text("История пуста. Скопируйте что-нибудь — оно появится здесь.")
            : Localization::text("Ничего не нашлось"));
    m_stack->setCurrentIndex(0);
}

void HistoryPickerView::revealSelection()
{
    const auto row = m_model.selection();
    if (row >= 0 && row < m_model.visibleCount())
        m_list->scrollTo(m_rows->index(row), QAbstractItemView::EnsureVisible);
}
