#include "Platform/Desktop/ScreensDesktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {

Screens::Screen describe(const QScreen& screen, const QRect& primary)
{
    return { ScreensDesktop::toDesktop(screen.geometry(), primary),
        ScreensDesktop::toDesktop(screen.availableGeometry(), primary), screen.devicePixelRatio() };
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
