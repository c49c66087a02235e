#include "Picker/HistoryPanel.h"

#include "Picker/KeyablePanel.h"
#include "Platform/Simulated/ScreensSimulated.h"

#include "PickerTestItems.h"

#include <gtest/gtest.h>

namespace {

PickerKey typed(const QString& characters, std::uint16_t keyCode = 0)
{
    PickerKey key;
    key.keyCode = keyCode;
    key.characters = characters;
    return key;
}

PickerKey special(std::uint16_t keyCode, bool command = false, bool shift = false)
{
    PickerKey key;
    key.keyCode = keyCode;
    key.command = command;
    key.shift = shift;
    return key;
}

// A panel whose keys are driven directly, without ever making its window.
struct KeyTable : ::testing::Test {
    ScreensSimulated screens;
    HistoryPanel panel { screens, [] { return std::nullopt; }, [] { return 800'000'000.0; } };
    QStringList chosen;
    QStringList deleted;

    void SetUp() override
    {
        panel.model().reset(pickerItems(5), nullptr);
        panel.onChoose = [this](const ClipboardItem& item) { chosen.append(item.id); };
        panel.onDelete = [this](const ClipboardItem& item) { deleted.append(item.id); };
    }
};

} // namespace

TEST_F(KeyTable, CommandDeleteDeletesTheSelectionAndOtherCommandKeysPass)
{
    auto& model = panel.model();
    model.setSelection(1);
    EXPECT_TRUE(panel.handle(special(KeyCodes::deleteKey, true)));
    EXPECT_EQ(deleted, QStringList { "ID-1" });
    EXPECT_EQ(model.items().size(), 4u);
    EXPECT_EQ(model.selectedItem()->id, QStringLiteral("ID-2"));

    EXPECT_FALSE(panel.handle(special(KeyCodes::returnKey, true)));
    auto commandA = typed("a");
    commandA.command = true;
    EXPECT_FALSE(panel.handle(commandA));
    EXPECT_TRUE(model.query().isEmpty());
    EXPECT_TRUE(chosen.isEmpty());

    model.setQuery("ничего такого");
    EXPECT_FALSE(panel.handle(special(KeyCodes::deleteKey, true)));
    EXPECT_EQ(deleted.size(), 1);
}

TEST_F(KeyTable, ReturnAndEnterChooseTheSelectionWhenThereIsOne)
{
    panel.model().setSelection(2);
    EXPECT_TRUE(panel.handle(special(KeyCodes::returnKey)));
    panel.model().setSelection(4);
    EXPECT_TRUE(panel.handle(special(KeyCodes::keypadEnter)));
    EXPECT_EQ(chosen, (QStringList { "ID-2", "ID-4" }));

    panel.model().setQuery("xyz");
    EXPECT_TRUE(panel.handle(special(KeyCodes::returnKey)));
    EXPECT_EQ(chosen.size(), 2);
}

// The arrows are the picker window's own test.
TEST_F(KeyTable, TabAndShiftTabMoveTheSelection)
{
    auto& model = panel.model();
    EXPECT_TRUE(panel.handle(special(KeyCodes::tab)));
    EXPECT_EQ(model.selection(), 1);
    EXPECT_TRUE(panel.handle(special(KeyCodes::tab, false, true)));
    EXPECT_TRUE(panel.handle(special(KeyCodes::tab, false, true)));
    EXPECT_EQ(model.selection(), 4);
}

// Escape, which first empties the query, is the picker window's own test.
TEST_F(KeyTable, DeleteTakesBackWholeCharacters)
{
    auto& model = panel.model();
    EXPECT_TRUE(panel.handle(special(KeyCodes::deleteKey)));
    EXPECT_TRUE(model.query().isEmpty());

    for (const auto& characters :
        { QStringLiteral("з"), QStringLiteral("e\u0301"), QStringLiteral("👍🏽") })
        EXPECT_TRUE(panel.handle(typed(characters)));
    EXPECT_EQ(model.query(), QStringLiteral("зe\u0301👍🏽"));
    // Whole characters go, never half of one.
    EXPECT_TRUE(panel.handle(special(KeyCodes::deleteKey)));
    EXPECT_EQ(model.query(), QStringLiteral("зe\u0301"));
    EXPECT_TRUE(panel.handle(special(KeyCodes::deleteKey)));
    EXPECT_EQ(model.query(), QStringLiteral("з"));
}

TEST_F(KeyTable, DigitsChooseOnlyWhileTheQueryIsEmpty)
{
    auto& model = panel.model();
    EXPECT_TRUE(panel.handle(typed("3", 20)));
    EXPECT_EQ(chosen, QStringList { "ID-2" });

    // Beyond the visible rows a digit does nothing, and it is not typed either.
    EXPECT_TRUE(panel.handle(typed("9", 25)));
    EXPECT_EQ(chosen.size(), 1);
    EXPECT_TRUE(model.query().isEmpty());

    EXPECT_TRUE(panel.handle(typed("0", 29)));
    EXPECT_EQ(model.query(), QStringLiteral("0"));
    model.setQuery({});

    EXPECT_TRUE(panel.handle(typed("a", 0)));
    EXPECT_TRUE(panel.handle(typed("3", 20)));
    EXPECT_EQ(model.query(), QStringLiteral("a3"));
    EXPECT_EQ(chosen.size(), 1);
}

TEST_F(KeyTable, KeysThatTypeNothingAreSwallowed)
{
    auto control = typed("x", 7);
    control.control = true;
    const std::vector<PickerKey> keys { control, typed({}, 123), typed(QString(QChar(0xF702)), 123),
        typed(QString(QChar(0xF708)), 96), typed("\x1b", 200) };
    for (const auto& key : keys)
        EXPECT_TRUE(panel.handle(key));
    EXPECT_TRUE(panel.model().query().isEmpty());
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(HistoryPanelSize, GrowsWithTheEntriesFromOneToEightRows)
{
    EXPECT_EQ(HistoryPanel::size(0), QSizeF(440, 136));
    EXPECT_EQ(HistoryPanel::size(1), QSizeF(440, 136));
    EXPECT_EQ(HistoryPanel::size(3), QSizeF(440, 236));
    EXPECT_EQ(HistoryPanel::size(8), QSizeF(440, 486));
    EXPECT_EQ(HistoryPanel::size(20), QSizeF(440, 486));
}

namespace {

struct Placement : ::testing::Test {
    ScreensSimulated screens;
    std::optional<QRectF> caret;
    HistoryPanel panel { screens, [this] { return caret; }, [] { return 0.0; } };
    const QSizeF size = HistoryPanel::size(3);
};

} // namespace

TEST_F(Placement, BelowTheCaretOrAboveItNearTheBottom)
{
    caret = QRectF(100, 500, 2, 18);
    EXPECT_EQ(panel.origin(size), QPointF(100, 500 - 6 - 236));

    // The visible area starts at 0 and the caret's bottom is 10 points above it.
    caret = QRectF(300, 10, 0, 16);
    EXPECT_EQ(panel.origin(size), QPointF(300, 10 + 16 + 6));
}

TEST_F(Placement, KeepsEightPointsFromTheVisibleEdges)
{
    caret = QRectF(1439, 500, 1, 18);
    EXPECT_EQ(panel.origin(size).x(), 1440 - 440 - 8);
    caret = QRectF(-50, 500, 1, 18);
    EXPECT_EQ(panel.origin(size).x(), 8);
    // A caret so tall that neither below nor above fits: the top margin wins.
    caret = QRectF(100, 200, 1, 700);
    EXPECT_EQ(panel.origin(size).y(), 875 - 236 - 8);
}

TEST_F(Placement, FollowsThePointerWhenTheCaretIsUnknown)
{
    screens.setMouseLocation(QPointF(300.5, 400.4));
    EXPECT_EQ(panel.origin(size), QPointF(301, 158));
}

TEST_F(Placement, UsesTheScreenHoldingTheCaretAndRoundsHalvesAwayFromZero)
{
    screens.addScreen({ QRectF(0, 0, 1440, 900), QRectF(0, 0, 1440, 875), 2 });
    screens.addScreen({ QRectF(-1920, -200, 1920, 1080), QRectF(-1920, -200, 1920, 1050), 1 });
    caret = QRectF(-1000.5, 400.5, 1, 18);
    EXPECT_EQ(panel.origin(size), QPointF(-1001, 159));

    // Outside every screen: the main screen's visible area clamps it.
    caret = QRectF(5000, 5000, 1, 18);
    EXPECT_EQ(panel.origin(size), QPointF(1440 - 440 - 8, 875 - 236 - 8));

    // A panel larger than the area is pinned to its top and right margins.
    screens.removeAllScreens();
    screens.addScreen({ QRectF(0, 0, 300, 200), QRectF(0, 0, 300, 180), 1 });
    caret = QRectF(10, 100, 1, 18);
    EXPECT_EQ(panel.origin(HistoryPanel::size(8)), QPointF(300 - 440 - 8, 180 - 486 - 8));
}

TEST_F(Placement, WithoutScreensAssumesADefaultArea)
{
    screens.removeAllScreens();
    screens.setMouseLocation(QPointF(2000, 2000));
    EXPECT_EQ(panel.origin(size), QPointF(1440 - 440 - 8, 900 - 236 - 8));
}
