#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>

#include <optional>
#include <vector>

// The displays, in desktop coordinates: origin at the bottom-left of the primary screen, y upwards.
class Screens {
public:
    struct Screen {
        QRectF frame;
        QRectF visibleFrame; // without the menu bar and the dock
        double backingScale = 1; // device pixels per point
        bool operator==(const Screen&) const = default;
    };

    // Where windows go when no screen is attached at all.
    static inline const QRectF fallbackFrame { 0, 0, 1440, 900 };

    virtual ~Screens() = default;

    // Every screen; the first is the primary one (the one whose bottom-left corner is the origin).
    // Empty when no screen is attached.
    virtual std::vector<Screen> screens() const = 0;
    // The screen that holds the active window (the primary one when in doubt); nothing without screens.
    virtual std::optional<Screen> mainScreen() const = 0;
    // The pointer position in desktop coordinates.
    virtual QPointF mouseLocation() const = 0;
    // The primary screen's top-left corner in window-system coordinates (from the top-left of the whole
    // desktop, y downwards); the origin where the window system counts from the primary screen.
    virtual QPointF primaryWindowOrigin() const { return {}; }
    // Whether our frameless panels must draw their own shadow: the window system blends translucent windows
    // over what lies behind (a compositor runs) but gives frameless ones no shadow. False where the system
    // draws panel shadows itself, and where nothing blends (a shadow would show as a dark band).
    virtual bool panelsNeedOwnShadow() const { return false; }

    // The visible area of the screen holding `point` (a point on an edge two screens share belongs to the
    // one that starts there), else of the main screen, else the fallback frame.
    QRectF visibleAreaAt(QPointF point) const;
    // The top-left corner, in window-system coordinates, of a window covering `rect`.
    QPoint windowPosition(const QRectF& rect) const;
};
