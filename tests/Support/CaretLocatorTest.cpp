#include "Support/CaretLocator.h"

#include "Platform/Simulated/AccessibilitySimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const long long ownProcess = 100;

struct CaretLocatorTest : ::testing::Test {
    AccessibilitySimulated accessibility;
    WorkspaceSimulated workspace;
    ScreensSimulated screens;
    long long front = 0;

    void SetUp() override
    {
        accessibility.setTrusted(true);
        workspace.setFrontmost(QStringLiteral("org.example.Editor"));
        front = workspace.frontmostApplication()->processIdentifier;
    }

    std::optional<QRectF> locate()
    {
        return CaretLocator::caretRect(accessibility, workspace, screens, ownProcess);
    }

    void focus(const AccessibilitySimulated::TextElement& text)
    {
        AccessibilitySimulated::Application app;
        app.focused = text;
        accessibility.setApplication(front, app);
    }
};

AccessibilitySimulated::TextElement textWithCaret(std::optional<QRectF> caret)
{
    AccessibilitySimulated::TextElement text;
    text.selectedRange = Accessibility::TextRange { 4, 0 };
    text.caretBounds = caret;
    return text;
}

} // namespace

TEST_F(CaretLocatorTest, FlipsTheCaretIntoDesktopCoordinates)
{
    accessibility.setCaret(front, QRectF(100, 100, 0, 20));
    EXPECT_EQ(locate(), QRectF(100, 780, 0, 20));
    EXPECT_EQ(accessibility.applicationFlag(front, "AXManualAccessibility"), true);
    EXPECT_EQ(accessibility.calls(),
        (QStringList { "set AXManualAccessibility", "copy AXFocusedUIElement", "copy AXSelectedTextRange",
            "parameterized AXBoundsForRange 0,1" }));

    // The primary screen is the first listed, whatever its size.
    screens.addScreen({ QRectF(0, 0, 2560, 1440), QRectF(0, 0, 2560, 1415), 2 });
    screens.addScreen({ QRectF(2560, 0, 1440, 900), QRectF(2560, 0, 1440, 875), 1 });
    EXPECT_EQ(locate(), QRectF(100, 1320, 0, 20));

    screens.removeAllScreens();
    EXPECT_FALSE(locate());
}

TEST_F(CaretLocatorTest, AsksNothingWithoutTrustOrAnotherApplicationInFront)
{
    accessibility.setCaret(front, QRectF(100, 100, 0, 20));
    accessibility.setTrusted(false);
    EXPECT_FALSE(locate());

    accessibility.setTrusted(true);
    workspace.setFrontmost(WorkspaceSimulated::selfBundleIdentifier);
    EXPECT_FALSE(CaretLocator::caretRect(
        accessibility, workspace, screens, workspace.frontmostApplication()->processIdentifier));
    workspace.setNoFrontmost();
    EXPECT_FALSE(locate());
    EXPECT_TRUE(accessibility.calls().isEmpty());
}

TEST_F(CaretLocatorTest, NoFocusedTextElementFindsNothing)
{
    EXPECT_FALSE(locate());

    AccessibilitySimulated::Application odd;
    odd.focusedIsNotAnElement = true;
    accessibility.setApplication(front, odd);
    EXPECT_FALSE(locate());

    // An element without text ranges or markers.
    focus({});
    EXPECT_FALSE(locate());
}

TEST_F(CaretLocatorTest, FallsBackToTheSelectionWhenOneCharacterCannotBeMeasured)
{
    auto text = textWithCaret(std::nullopt);
    text.selectedRange = Accessibility::TextRange { 4, 7 };
    text.selectionBounds = QRectF(40, 200, 70, 18);
    focus(text);
    EXPECT_EQ(locate(), QRectF(40, 682, 70, 18));
    EXPECT_TRUE(accessibility.calls().contains("parameterized AXBoundsForRange 4,7"));
}

TEST_F(CaretLocatorTest, DegenerateRangeBoundsLeadToTheTextMarkers)
{
    auto text = textWithCaret(QRectF(10, 10, 2, 0));
    text.selectionBounds = QRectF(10, 10, 2, 18); // never asked: the first call succeeded
    text.markerBounds = QRectF(300, 400, 1, 16);
    focus(text);
    EXPECT_EQ(locate(), QRectF(300, 484, 1, 16));
    EXPECT_FALSE(accessibility.calls().contains("parameterized AXBoundsForRange 4,0"));
    EXPECT_TRUE(accessibility.calls().contains("parameterized AXBoundsForTextMarkerRange"));

    text.markerBounds.reset();
    focus(text);
    EXPECT_FALSE(locate());
}

TEST_F(CaretLocatorTest, AcceptsOnlySaneRectangles)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    const auto infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<QRectF, bool>> cases {
        { QRectF(5, 5, 0, 1), true },
        { QRectF(-30, -40, 3, 17), true },
        { QRectF(5, 5, 3, 0.99), false },
        { QRectF(5, 5, infinity, 17), false },
        { QRectF(5, 5, nan, 17), false },
        { QRectF(5, 5, 3, infinity), false },
        { QRectF(5, 5, 3, nan), false },
    };
    for (const auto& [rect, accepted] : cases) {
        focus(textWithCaret(rect));
        EXPECT_EQ(locate().has_value(), accepted) << rect.width() << "x" << rect.height();
    }
}

TEST_F(CaretLocatorTest, AnApplicationThatDoesNotAnswerCostsAQuarterSecondPerCall)
{
    AccessibilitySimulated::Application hung;
    hung.focused = textWithCaret(QRectF(1, 1, 1, 18));
    hung.answerDelay = 30;
    accessibility.setApplication(front, hung);
    EXPECT_FALSE(locate());
    ASSERT_FALSE(accessibility.calls().isEmpty());
    EXPECT_DOUBLE_EQ(accessibility.blockedSeconds(), 0.25 * accessibility.calls().size());

    // Slow but within the time-out still answers.
    hung.answerDelay = 0.2;
    accessibility.setApplication(front, hung);
    EXPECT_EQ(locate(), QRectF(1, 881, 1, 18));
}
