#pragma once

#include "Platform/Screens.h"

// Screens and the pointer as a script sets them. Until a screen is added there is one 1440×900 screen at
// backing scale 2 with a 25-point menu bar, and the pointer rests at its centre.
class ScreensSimulated final : public Screens {
public:
    ScreensSimulated();

    std::vector<Screen> screens() const override { return m_screens; }
    std::optional<Screen> mainScreen() const override;
    QPointF mouseLocation() const override { return m_mouse; }
    QPointF primaryWindowOrigin() const override { return m_primaryWindowOrigin; }
    bool panelsNeedOwnShadow() const override { return m_panelsNeedOwnShadow; }

    // The first screen added replaces the default one and is the primary.
    void addScreen(const Screen& screen);
    void removeAllScreens();
    void setMouseLocation(QPointF location) { m_mouse = location; }
    // Where a window system that counts from the whole desktop's corner (X11) puts the primary screen.
    void setPrimaryWindowOrigin(QPointF origin) { m_primaryWindowOrigin = origin; }
    // As on a Linux desktop with a compositor; macOS draws panel shadows itself.
    void setPanelsNeedOwnShadow(bool need) { m_panelsNeedOwnShadow = need; }

private:
    std::vector<Screen> m_screens;
    bool m_usingDefault = true;
    QPointF m_mouse;
    QPointF m_primaryWindowOrigin;
    bool m_panelsNeedOwnShadow = false;
};
