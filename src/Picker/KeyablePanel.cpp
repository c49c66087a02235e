#include "Picker/KeyablePanel.h"

#include <QKeyEvent>

KeyablePanel::KeyablePanel(QWidget* parent)
    // A popup grabs the keyboard without asking the window manager to activate it: the window the user
    // was typing in keeps its focus and gets it back untouched when the popup hides.
    : QWidget(
        parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
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
