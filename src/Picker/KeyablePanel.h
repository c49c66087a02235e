#pragma once

#include <QWidget>

#include <functional>

class QKeyEvent;

// The picker's window: frameless, above other windows, and taking the keyboard without making this
// application the active one, so the application the user types in stays in front and gets the paste. On
// Wayland it is a window of fixed size that the compositor places and activates, and whose going hands the
// keyboard back.
// Key presses go to `onKeyDown` before any child sees them.
class KeyablePanel final : public QWidget {
    Q_OBJECT

public:
    explicit KeyablePanel(QWidget* parent = nullptr);

    // Returns whether it handled the key; unhandled keys take the normal way.
    std::function<bool(const QKeyEvent&)> onKeyDown;
    // Called when the panel loses the keyboard to another window.
    std::function<void()> onResignKey;

protected:
    bool event(QEvent* event) override;

private:
    static bool isOnWayland();
    static Qt::WindowFlags panelFlags();
};
