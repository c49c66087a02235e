#include "Platform/Simulated/ScreensSimulated.h"

ScreensSimulated::ScreensSimulated()
    : m_screens { Screen { QRectF(0, 0, 1440, 900), QRectF(0, 0, 1440, 875), 2.0 } }
    , m_mouse(720, 450)
{
}

std::optional<Screens::Screen> ScreensSimulated::mainScreen() const
{
    if (m_screens.empty())
        return std::nullopt;
    return m_screens.front();
}

void ScreensSimulated::addScreen(const Screen& screen)
{
    if (m_usingDefault) {
        m_screens.clear();
        m_usingDefault = false;
    }
    m_screens.push_back(screen);
}

void ScreensSimulated::removeAllScreens()
{
    m_screens.clear();
    m_usingDefault = false;
}
