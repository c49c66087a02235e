#pragma once

#include "Clipboard/ClipboardItem.h"
#include "Picker/HistoryPickerModel.h"
#include "Picker/KeyablePanel.h"
#include "Picker/PickerKey.h"
#include "Platform/SystemFamily.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRectF>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class HistoryPickerView;
class Screens;

// The history picker: a floating list next to the text caret, driven from the keyboard. It owns the
// picker model and one window, made on the first opening and reused for every later one.
class HistoryPanel final : public QObject {
    Q_OBJECT

public:
    using ItemCallback = std::function<void(const ClipboardItem&)>;
    using CaretLocation = std::function<std::optional<QRectF>()>;

    static constexpr double width = 440;
    // The window's height besides its rows: search field, footer and the room around the list.
    static constexpr double chromeHeight = 86;

    // `caretRect` finds the text caret in desktop coordinates (origin bottom-left, y up) or nothing;
    // `now` is the current time in seconds since 2001-01-01 UTC, for the rows' relative dates; `family`
    // decides how the key hints are written.
    HistoryPanel(const Screens& screens, CaretLocation caretRect, std::function<double()> now,
        SystemFamily family = SystemFamily::MacOS, QObject* parent = nullptr);
    ~HistoryPanel() override;

    // Called with the entry the user picks (after the window has gone) or deletes. `show` replaces them.
    ItemCallback onChoose = [](const ClipboardItem&) {};
    ItemCallback onDelete = [](const ClipboardItem&) {};

    HistoryPickerModel& model() { return m_model; }
    const HistoryPickerModel& model() const { return m_model; }

    // Opens the picker on `items` next to the caret, or at the pointer when the caret is unknown.
    void show(QList<ClipboardItem> items, HistoryPickerModel::ThumbnailLoader thumbnail,
        ItemCallback onChoose, ItemCallback onDelete);
    void close();
    bool isOpen() const;
    // A line the picker shows in place of its key hints from the next opening on; none when empty.
    void setNotice(const QString& notice) { m_notice = notice; }
    // Chooses the selected entry as Return would; nothing when no entry is selected.
    void chooseSelected();

    // Applies one key press; false when the key is not the picker's and should take the normal way.
    bool handle(const PickerKey& key);

    // One row per entry, between one and eight rows, plus header and footer.
    static QSizeF size(std::size_t entries);
    // Where a panel of `size` goes, in desktop coordinates, whole points.
    QPointF origin(QSizeF size) const;
    // The window's frame in desktop coordinates; nothing before the first opening.
    std::optional<QRectF> frame() const { return m_frame; }

    // The window, once made; for the application's own bookkeeping and for tests.
    KeyablePanel* window() const { return m_panel; }
    HistoryPickerView* view() const { return m_view; }

Q_SIGNALS:
    // The window was shown or hidden, by whatever means (a key, a choice, a click elsewhere).
    void openChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makePanel();
    void orderOut();
    void choose(const ClipboardItem& item);
    // Readies the next slice of the search, and asks for the one after it on a later turn of the event loop.
    void prepareSearch();

    const Screens& m_screens;
    CaretLocation m_caretRect;
    std::function<double()> m_now;
    SystemFamily m_family;
    HistoryPickerModel m_model;
    // Runs the search's preparation slice by slice while the picker is open.
    QTimer m_preparation;
    QPointer<KeyablePanel> m_panel;
    HistoryPickerView* m_view = nullptr;
    std::optional<QRectF> m_frame;
    QString m_notice;
    // From the window's corner to the panel's body, where the window carries the body's shadow.
    QPoint m_shadowOffset;
};
