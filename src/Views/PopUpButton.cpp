#include "Views/PopUpButton.h"

#include <QKeyEvent>
#include <QWheelEvent>

PopUpButton::PopUpButton(QWidget* parent)
    : QComboBox(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PopUpButton::keyPressEvent(QKeyEvent* event)
{
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Space:
        if (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier) {
            showPopup();
            return;
        }
        break;
    case Qt::Key_F4:
        if (modifiers == Qt::NoModifier) {
            showPopup();
            return;
        }
        break;
    default:
        break;
    }
    // Everything else that a combo box would turn into a new value goes on to the window instead.
    event->ignore();
}

void PopUpButton::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}
