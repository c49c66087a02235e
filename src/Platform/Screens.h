#pragma once

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

    virtual ~Screens() = default;

    // Every screen; the first is the primary one (the one whose bottom-left corner is the origin).
    // Empty when no screen is attached.
    virtual std::vector<Screen> screens() const = 0;
    // The screen that holds the active window (the primary one when in doubt); nothing without screens.
    virtual std::optional<Screen> mainScreen() const = 0;
    // The pointer position in desktop coordinates.
    virtual QPointF mouseLocation() const = 0;
};
