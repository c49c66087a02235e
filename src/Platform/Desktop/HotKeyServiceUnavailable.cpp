#include "Platform/Desktop/HotKeyServiceUnavailable.h"

#include "Platform/Desktop/X11Keys.h"
#include "Platform/QtKeys.h"

#include <QApplication>

std::optional<QString> HotKeyServiceUnavailable::characterForKey(std::int64_t keyCode)
{
    if (keyCode < 0 || keyCode > 0xFFFF)
        return std::nullopt;
    const auto keysym = X11Keys::keysymForKeyCode(static_cast<std::uint16_t>(keyCode));
    // Printable ASCII keysyms are their characters.
    if (!keysym || *keysym < 0x21 || *keysym > 0x7e)
        return std::nullopt;
    return QString(QChar(static_cast<char16_t>(*keysym)));
}

std::optional<KeyEvent> HotKeyServiceUnavailable::keyEventFrom(const QKeyEvent& event) const
{
    return QtKeys::keyEvent(event);
}

void HotKeyServiceUnavailable::beep()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}
