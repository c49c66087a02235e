#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Tests never touch the user's display, clipboard or settings.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
