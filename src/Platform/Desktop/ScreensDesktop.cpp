#include "Platform/Desktop/ScreensDesktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

Screens::Screen describe(const QScreen& screen, const QRect& primary)
{
    return { ScreensDesktop::toDesktop(screen.geometry(), primary),
        ScreensDesktop::toDesktop(screen.availableGeometry(), primary), screen.devicePixelRatio() };
}

// The X screen of the display the program runs on: ":0.1" names screen 1, ":0" screen 0.
int screenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon);
    return colon >= 0 && dot > colon ? display.mid(dot + 1).toInt() : 0;
}

} // namespace

QRectF ScreensDesktop::toDesktop(const QRect& rect, const QRect& primary)
{
    // Qt's rectangles end one pixel before x()+width(); desktop frames are measured edge to edge.
    const double bottom = primary.y() + primary.height();
    return { double(rect.x() - primary.x()), bottom - (rect.y() + rect.height()), double(rect.width()),
        double(rect.height()) };
}

std::vector<Screens::Screen> ScreensDesktop::screens() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    std::vector<Screen> result { describe(*primary, primary->geometry()) };
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            result.push_back(describe(*screen, primary->geometry()));
    return result;
}

std::optional<Screens::Screen> ScreensDesktop::mainScreen() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    const QWindow* active = QGuiApplication::focusWindow();
    const QScreen* screen = active && active->screen() ? active->screen() : primary;
    return describe(*screen, primary->geometry());
}

QPointF ScreensDesktop::mouseLocation() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QPoint position = QCursor::pos();
    if (!primary)
        return position;
    const QRect geometry = primary->geometry();
    return { double(position.x() - geometry.x()), double(geometry.y() + geometry.height() - position.y()) };
}

QPointF ScreensDesktop::primaryWindowOrigin() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QPointF(primary->geometry().topLeft()) : QPointF();
}

bool ScreensDesktop::panelsNeedOwnShadow() const
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    // The compositing manager of screen N owns the selection _NET_WM_CM_SN for as long as it runs.
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection,
        xcb_intern_atom(connection, true, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner
        = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    return owned;
}
