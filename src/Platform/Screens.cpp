#include "Platform/Screens.h"

#include <algorithm>

QRectF Screens::visibleAreaAt(QPointF point) const
{
    const auto all = screens();
    const auto holder = std::find_if(all.begin(), all.end(), [&](const Screen& screen) {
        const QRectF& frame = screen.frame;
        return point.x() >= frame.x() && point.x() < frame.x() + frame.width() && point.y() >= frame.y()
            && point.y() < frame.y() + frame.height();
    });
    if (holder != all.end())
        return holder->visibleFrame;
    if (const auto main = mainScreen())
        return main->visibleFrame;
    return fallbackFrame;
}

QPoint Screens::windowPosition(const QRectF& rect) const
{
    const auto all = screens();
    const double primaryHeight = all.empty() ? fallbackFrame.height() : all.front().frame.height();
    const QPointF origin = primaryWindowOrigin();
    return { qRound(origin.x() + rect.x()), qRound(origin.y() + primaryHeight - rect.y() - rect.height()) };
}
