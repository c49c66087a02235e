#pragma once

#include "Platform/Screens.h"

class QRect;

// The displays Qt knows, turned from Qt's space (origin top-left of the virtual desktop, y downwards) into
// desktop coordinates (origin bottom-left of the primary screen, y upwards).
class ScreensDesktop final : public Screens {
public:
    std::vector<Screen> screens() const override;
    std::optional<Screen> mainScreen() const override;
    QPointF mouseLocation() const override;
    QPointF primaryWindowOrigin() const override;
    // Whether a compositing manager holds the screen's _NET_WM_CM_S selection.
    bool panelsNeedOwnShadow() const override;

    // A rectangle of Qt's space in desktop coordinates, given the primary screen's geometry.
    static QRectF toDesktop(const QRect& rect, const QRect& primary);
};
