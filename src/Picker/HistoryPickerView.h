#pragma once

#include "Clipboard/ClipboardItem.h"
#include "Platform/SystemFamily.h"

#include <QWidget>

#include <functional>

class HistoryPickerModel;
class HistoryListModel;
class QLabel;
class QListView;
class QStackedWidget;

// The picker's content: search line, the list of entries (or a message in its place) and the key hints,
// on a translucent rounded background.
class HistoryPickerView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 12;

    static constexpr int headerHeight = 38;
    static constexpr int footerHeight = 28;
    static constexpr int listPadding = 6;

    // `now` gives the current time in seconds since 2001-01-01 UTC, for the relative dates; `family`
    // decides how the key hints are written.
    HistoryPickerView(HistoryPickerModel& model, std::function<double()> now, SystemFamily family,
        QWidget* parent = nullptr);

    // Called with the entry the user clicked.
    std::function<void(const ClipboardItem&)> onChoose = [](const ClipboardItem&) {};

    // Chooses visible row `row` (0 at the top) as a click on it does; nothing for a row that is not there.
    void chooseRow(int row);

    // What is on show, for the panel and for tests.
    QString headerText() const;
    QString messageText() const; // empty while the list is shown
    QListView* list() const { return m_list; }
    QLabel* footer() const { return m_footer; }
    // A line shown in place of the key hints; the hints again when empty.
    void setNotice(const QString& notice);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateHeader();
    void fitFooter();
    void updateContent();
    void revealSelection();

    HistoryPickerModel& m_model;
    HistoryListModel* m_rows = nullptr;
    QLabel* m_queryLabel = nullptr;
    QStackedWidget* m_stack = nullptr;
    QLabel* m_message = nullptr;
    QListView* m_list = nullptr;
    QLabel* m_footer = nullptr;
    QString m_hints;
    QPointF m_lastPointer { -1, -1 };
};
