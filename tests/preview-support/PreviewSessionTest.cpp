#include "PreviewSession.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QStyle>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Each session changes the application's palette; every test starts from the style's own.
class PreviewSessionTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setPalette(QApplication::style()->standardPalette()); }

    QTemporaryDir temporary;
};

TEST_F(PreviewSessionTest, WithoutAnOutputFolderItStopsWithTheUsageCode)
{
    PreviewSession session(QStringLiteral("some-preview"), { QStringLiteral("/bin/some-preview") });
    EXPECT_EQ(session.start(), 2);
}

TEST_F(PreviewSessionTest, MakesTheWholeOutputPath)
{
    const QString path = temporary.filePath(QStringLiteral("one/two"));
    PreviewSession session(QStringLiteral("some-preview"), { QStringLiteral("some-preview"), path });
    ASSERT_EQ(session.start(), 0);
    EXPECT_TRUE(QDir(path).exists());
    EXPECT_EQ(session.folder().filePath(QStringLiteral("a.png")), path + QStringLiteral("/a.png"));
}

TEST_F(PreviewSessionTest, FailsWhenTheFolderCannotBeMade)
{
    QFile file(temporary.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    PreviewSession session(
        QStringLiteral("some-preview"), { QStringLiteral("some-preview"), file.fileName() + "/inside" });
    EXPECT_EQ(session.start(), 1);
}

TEST_F(PreviewSessionTest, ALightRunKeepsPlainNamesAndTheLightAccent)
{
    PreviewSession session(
        QStringLiteral("some-preview"), { QStringLiteral("some-preview"), temporary.path() });
    ASSERT_EQ(session.start(), 0);
    EXPECT_FALSE(session.dark());
    EXPECT_EQ(session.picturePath(QStringLiteral("shot")), temporary.filePath(QStringLiteral("shot.png")));
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0, 122, 255));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
        QApplication::style()->standardPalette().color(QPalette::Window));
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
}

TEST_F(PreviewSessionTest, ADarkRunMarksItsPicturesAndUsesTheDarkPalette)
{
    PreviewSession session(QStringLiteral("some-preview"),
        { QStringLiteral("some-preview"), temporary.path(), QStringLiteral("dark") });
    ASSERT_EQ(session.start(), 0);
    EXPECT_TRUE(session.dark());
    EXPECT_EQ(
        session.picturePath(QStringLiteral("shot")), temporary.filePath(QStringLiteral("shot-dark.png")));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
        PreviewSession::darkPalette().color(QPalette::Window));
}

TEST_F(PreviewSessionTest, OnlyTheSecondArgumentAsksForDark)
{
    PreviewSession session(QStringLiteral("some-preview"),
        { QStringLiteral("some-preview"), temporary.path(), QStringLiteral("shadow"),
            QStringLiteral("dark") });
    ASSERT_EQ(session.start(), 0);
    EXPECT_FALSE(session.dark());
}

TEST_F(PreviewSessionTest, TheDarkPaletteLeavesNoSurfaceLightAndNoTextDark)
{
    const QPalette dark = PreviewSession::darkPalette();
    for (const auto role : { QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button,
             QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow })
        EXPECT_LT(dark.color(role).lightness(), 100) << role;
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
             QPalette::HighlightedText, QPalette::PlaceholderText })
        EXPECT_GT(dark.color(role).lightness(), 140) << role;
    // Disabled text stays readable yet clearly fainter than enabled text.
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText }) {
        const int disabled = dark.color(QPalette::Disabled, role).lightness();
        EXPECT_GT(disabled, dark.color(QPalette::Window).lightness()) << role;
        EXPECT_LT(disabled, dark.color(QPalette::Active, role).lightness()) << role;
    }
}

} // namespace
