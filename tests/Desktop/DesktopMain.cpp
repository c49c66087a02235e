#include "Desktop/DesktopSession.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // These tests type keys and take the clipboard, so they only ever use the server scripts/with-xvfb
    // names, never the user's own display; without it each of them skips.
    const QByteArray display = qgetenv("DRIMO_TEST_DISPLAY");
    if (display.isEmpty())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", DesktopSession::displayAvailable() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
