#include "Picker/KeyablePanel.h"

#include <QGuiApplication>
#include <QKeyEvent>

KeyablePanel::KeyablePanel(QWidget* parent)
    : QWidget(parent, panelFlags())
{
    setAttribute(Qt::WA_TranslucentBackground);
    // A Wayland compositor gives the keyboard only to a window it activates, and hands it back to the window
    // before when ours unmaps.
    if (!isOnWayland())
        setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
}

bool KeyablePanel::isOnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

Qt::WindowFlags KeyablePanel::panelFlags()
{
    // Wayland has no popup without a window of ours to hang it from, and no client places its own windows:
    // an ordinary window, which the compositor places and activates.
    if (isOnWayland())
        return Qt::Window | Qt::FramelessWindowHint;
    // A popup grabs the keyboard without asking the window manager to activate it: the window the user
    // was typing in keeps its focus and gets it back untouched when the popup hides.
    return Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint;
}

bool KeyablePanel::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (onKeyDown && onKeyDown(static_cast<const QKeyEvent&>(*event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::WindowDeactivate:
        if (onResignKey)
            onResignKey();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
