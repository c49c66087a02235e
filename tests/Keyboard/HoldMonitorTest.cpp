#include "Keyboard/HoldMonitor.h"

#include "Clipboard/Paster.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Fate = KeyboardEventsSimulated::Fate;
using TapModel = KeyboardEventsSimulated::TapModel;
using Key = HoldMonitor::Key;

constexpr auto command = EventFlags::command;
const QString textEdit = QStringLiteral("com.apple.TextEdit");

class HoldMonitorTest : public testing::TestWithParam<TapModel> {
protected:
    HoldMonitorTest()
    {
        workspace.setFrontmost(textEdit);
        keyboard.setTapModel(GetParam());
        monitor.onHold = [this](Key key) { holds.push_back(key); };
        monitor.onPasteInPicker = [this] { ++pastesInPicker; };
    }

    // A user key event; answers what became of it.
    Fate type(std::uint16_t code, bool down, std::uint64_t flags = command, bool repeat = false)
    {
        KeyEvent event;
        event.keyCode = code;
        event.isDown = down;
        event.isRepeat = repeat;
        event.flags = flags;
        keyboard.type(event);
        return keyboard.deliveries().back().fate;
    }
    void post(std::uint16_t code, bool down)
    {
        keyboard.post(KeyEvent { code, down, false, command, Paster::syntheticMarker, {} });
    }

    std::vector<KeyboardEventsSimulated::Delivery> posted() const
    {
        std::vector<KeyboardEventsSimulated::Delivery> result;
        for (const auto& delivery : keyboard.deliveries())
            if (delivery.posted)
                result.push_back(delivery);
        return result;
    }
    // Runs what is due now, cancelled timers included, so that pendingCount() counts live work only.
    std::size_t pendingAfterRunningDue()
    {
        scheduler.runDue();
        return scheduler.pendingCount();
    }
    // One synthetic Command press of `code`, down then up, that reached the application in front.
    void expectOneResentPress(std::uint16_t code)
    {
        const auto sent = posted();
        ASSERT_EQ(sent.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(sent[i].event.keyCode, code);
            EXPECT_EQ(sent[i].event.isDown, i == 0);
            EXPECT_EQ(sent[i].event.flags, command);
            EXPECT_EQ(sent[i].event.userData, Paster::syntheticMarker);
            EXPECT_EQ(sent[i].fate, Fate::App);
            EXPECT_EQ(sent[i].application, textEdit);
        }
    }

    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard { workspace };
    VirtualScheduler scheduler;
    HoldMonitor monitor { keyboard, scheduler };
    std::vector<Key> holds;
    bool pickerOpen = false;
    int pastesInPicker = 0;
};

} // namespace

TEST_P(HoldMonitorTest, AShortCommandVIsSwallowedAndResentAsOneMarkedPressAfterTheCallback)
{
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(type(KeyCodes::v, true), Fate::Dropped);
    scheduler.advance(0.3);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    EXPECT_EQ(keyboard.postedCount(), 0) << "nothing is posted from inside the tap callback";

    scheduler.runDue();
    expectOneResentPress(KeyCodes::v);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
    scheduler.advance(5);
    EXPECT_TRUE(holds.empty());
}

// A hold firing once and swallowing the rest of its press is the gesture's table (HoldGestureTest), its
// delay AChangedHoldDelayCountsFromTheNextKeyDown's, and the whole of it the paste road scenario's.
TEST_P(HoldMonitorTest, OnlyExactlyCommandStartsAGesture)
{
    ASSERT_TRUE(monitor.start());
    const std::uint64_t others[] = { command | EventFlags::shift, command | EventFlags::control,
        command | EventFlags::option, 0, EventFlags::control };
    for (const std::uint64_t flags : others) {
        for (const std::uint16_t code : { KeyCodes::v, KeyCodes::c }) {
            EXPECT_NE(type(code, true, flags), Fate::Dropped) << flags;
            EXPECT_NE(type(code, true, flags, true), Fate::Dropped) << flags;
            EXPECT_NE(type(code, false, flags), Fate::Dropped) << flags;
        }
    }
    EXPECT_EQ(pendingAfterRunningDue(), 0u) << "no gesture started";

    // Caps Lock and Fn are not shortcut modifiers.
    EXPECT_EQ(type(KeyCodes::c, true, command | EventFlags::capsLock | EventFlags::function), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::c, false, command | EventFlags::capsLock), Fate::Dropped);
    scheduler.runDue();
    expectOneResentPress(KeyCodes::c);
}

TEST_P(HoldMonitorTest, IsEnabledIsAskedForEachKey)
{
    monitor.isEnabled = [](Key key) { return key == Key::Copy; };
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(type(KeyCodes::v, true), Fate::App);
    scheduler.advance(1);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::App);
    EXPECT_TRUE(holds.empty());

    EXPECT_EQ(type(KeyCodes::c, true), Fate::Dropped);
    scheduler.advance(1);
    EXPECT_EQ(type(KeyCodes::c, false), Fate::Dropped);
    EXPECT_EQ(holds, std::vector<Key> { Key::Copy });
}

TEST_P(HoldMonitorTest, ReleasingCommandBeforeVStillEndsTheShortPress)
{
    ASSERT_TRUE(monitor.start());
    type(KeyCodes::v, true);
    scheduler.advance(0.2);
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::Dropped);
    scheduler.runDue();
    expectOneResentPress(KeyCodes::v);
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
}

TEST_P(HoldMonitorTest, ModifiersChangedDuringAPressDoNotLetItsRepeatsThrough)
{
    ASSERT_TRUE(monitor.start());
    type(KeyCodes::v, true);
    EXPECT_EQ(type(KeyCodes::v, true, 0, true), Fate::Dropped);
    scheduler.advance(0.6);
    EXPECT_EQ(type(KeyCodes::v, true, command | EventFlags::shift, true), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, false, EventFlags::shift), Fate::Dropped);
    EXPECT_EQ(holds, std::vector<Key> { Key::Paste });

    // Without a press in progress, a repeat passes whatever its modifiers.
    EXPECT_EQ(type(KeyCodes::v, true, command, true), Fate::App);
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
}

TEST_P(HoldMonitorTest, WhileThePickerIsOpenEveryVEventIsThePickers)
{
    bool panelSawV = false;
    keyboard.keyWindow = [&](const KeyEvent& event) {
        panelSawV |= event.keyCode == KeyCodes::v && event.userData == 0;
        return true;
    };
    ASSERT_TRUE(monitor.start());
    monitor.setPickerOpen(true);
    scheduler.runDue();

    EXPECT_EQ(type(KeyCodes::v, true, 0), Fate::Dropped);
    EXPECT_EQ(pastesInPicker, 1);
    EXPECT_EQ(type(KeyCodes::v, true, 0, true), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, true, command | EventFlags::shift), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, false, command), Fate::Dropped);
    EXPECT_EQ(pastesInPicker, 2);
    EXPECT_FALSE(panelSawV);

    // Our own marked paste still goes through.
    post(KeyCodes::v, true);
    post(KeyCodes::v, false);
    EXPECT_EQ(keyboard.deliveries().back().fate, Fate::Panel);
    EXPECT_EQ(pastesInPicker, 2);
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
}

TEST_P(HoldMonitorTest, APressThatOpenedThePickerEndsThereAndTheNextBareVPassesWithItsRepeats)
{
    monitor.onHold = [this](Key key) {
        holds.push_back(key);
        pickerOpen = key == Key::Paste;
        monitor.setPickerOpen(pickerOpen);
    };
    ASSERT_TRUE(monitor.start());
    const auto holdUntilPicker = [&] {
        type(KeyCodes::v, true);
        scheduler.advance(0.6);
        ASSERT_TRUE(pickerOpen);
        EXPECT_EQ(type(KeyCodes::v, true, command, true), Fate::Dropped);
    };
    const auto closePicker = [&] {
        pickerOpen = false;
        monitor.setPickerOpen(false);
        scheduler.runDue();
    };

    // V let go in the picker, then Escape: a bare V held in the application types with every repeat.
    holdUntilPicker();
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    EXPECT_EQ(pastesInPicker, 0) << "a key-up pastes nothing";
    closePicker();
    EXPECT_EQ(type(KeyCodes::v, true, 0), Fate::App);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(type(KeyCodes::v, true, 0, true), Fate::App) << "repeat " << i;
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::App);
    // A Command-V afterwards is an ordinary short press.
    EXPECT_EQ(type(KeyCodes::v, true), Fate::Dropped);
    scheduler.advance(0.1);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    scheduler.runDue();
    expectOneResentPress(KeyCodes::v);

    // The picker closed while Command-V is still held: the rest of that hold reaches nobody.
    holdUntilPicker();
    closePicker();
    EXPECT_EQ(type(KeyCodes::v, true, command, true), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, true, 0), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, true, 0, true), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::App);
    scheduler.advance(1);
    EXPECT_EQ(holds.size(), 2u);
    EXPECT_EQ(keyboard.postedCount(), 2);
}

TEST_P(HoldMonitorTest, SyntheticEventsAlwaysPass)
{
    ASSERT_TRUE(monitor.start());
    // In the middle of a user's press, our marked events pass and leave its gesture alone. (A posted V
    // key-up would end a key grab on V, as it would on a real server, so that model gets only C here.)
    type(KeyCodes::v, true);
    std::vector<std::uint16_t> codes { KeyCodes::c };
    if (GetParam() == TapModel::EventTap)
        codes.push_back(KeyCodes::v);
    for (const std::uint16_t code : codes) {
        post(code, true);
        EXPECT_EQ(keyboard.deliveries().back().fate, Fate::App);
        post(code, false);
        EXPECT_EQ(keyboard.deliveries().back().fate, Fate::App);
    }
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    scheduler.runDue();
    EXPECT_EQ(posted().size(), codes.size() * 2 + 2);
    EXPECT_EQ(posted().back().fate, Fate::App);
    EXPECT_EQ(posted().back().event.keyCode, KeyCodes::v);
    EXPECT_TRUE(holds.empty());
}

TEST_P(HoldMonitorTest, AChangedHoldDelayCountsFromTheNextKeyDown)
{
    double delay = 0.6;
    int asked = 0;
    monitor.holdDelay = [&] {
        ++asked;
        return delay;
    };
    ASSERT_TRUE(monitor.start());
    type(KeyCodes::c, true);
    delay = 2;
    type(KeyCodes::c, true, command, true);
    scheduler.advance(0.6);
    EXPECT_EQ(holds.size(), 1u) << "the running timer keeps its delay";
    type(KeyCodes::c, false);

    type(KeyCodes::c, true);
    scheduler.advance(1.9);
    EXPECT_EQ(holds.size(), 1u);
    scheduler.advance(0.1);
    EXPECT_EQ(holds.size(), 2u);
    EXPECT_EQ(asked, 2);
}

TEST_P(HoldMonitorTest, StartIsIdempotentAndFailsWithoutTrust)
{
    keyboard.setTrusted(false);
    EXPECT_FALSE(monitor.start());
    EXPECT_FALSE(monitor.isRunning());
    keyboard.setTrusted(true);
    keyboard.setTapCreationFails(true);
    EXPECT_FALSE(monitor.start());
    EXPECT_EQ(keyboard.installedTapCount(), 0);
    EXPECT_EQ(type(KeyCodes::v, true), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::App);

    keyboard.setTapCreationFails(false);
    EXPECT_TRUE(monitor.start());
    keyboard.setTapCreationFails(true);
    EXPECT_TRUE(monitor.start()) << "already installed, nothing new created";
    EXPECT_EQ(keyboard.installedTapCount(), 1);
}

TEST_P(HoldMonitorTest, ATapTheSystemDisablesIsReEnabledAndForgetsThePressInProgress)
{
    ASSERT_TRUE(monitor.start());
    for (const bool byTimeout : { true, false }) {
        SCOPED_TRACE(byTimeout ? "timeout" : "user input");
        type(KeyCodes::v, true);
        scheduler.advance(0.3);
        byTimeout ? keyboard.disableTapsByTimeout() : keyboard.disableTapsByUserInput();
        EXPECT_EQ(pendingAfterRunningDue(), 0u) << "the hold timer was cancelled";
        scheduler.advance(1);
        EXPECT_TRUE(holds.empty());
        EXPECT_EQ(type(KeyCodes::v, false), Fate::App) << "the forgotten press is not resent";

        // The tap works again at once.
        EXPECT_EQ(type(KeyCodes::c, true), Fate::Dropped);
        scheduler.advance(1);
        EXPECT_EQ(type(KeyCodes::c, false), Fate::Dropped);
        EXPECT_EQ(holds, std::vector<Key> { Key::Copy });
        holds.clear();
    }
    EXPECT_EQ(keyboard.postedCount(), 0);
}

TEST_P(HoldMonitorTest, StopRemovesTheTapAndLeavesNoTimer)
{
    ASSERT_TRUE(monitor.start());
    type(KeyCodes::v, true);
    type(KeyCodes::c, true);
    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(keyboard.installedTapCount(), 0);
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, true), Fate::App);
    scheduler.advance(5);
    EXPECT_TRUE(holds.empty());

    // Started again, it begins from nothing.
    ASSERT_TRUE(monitor.start());
    EXPECT_EQ(type(KeyCodes::c, false), Fate::App);
}

TEST_P(HoldMonitorTest, ACallbackMayStopTheMonitor)
{
    monitor.onPasteInPicker = [this] { monitor.stop(); };
    monitor.onHold = [this](Key key) {
        holds.push_back(key);
        monitor.stop();
    };
    ASSERT_TRUE(monitor.start());
    monitor.setPickerOpen(true);
    scheduler.runDue();
    EXPECT_EQ(type(KeyCodes::v, true, 0), Fate::Dropped) << "the answer given before stopping stands";
    EXPECT_EQ(keyboard.installedTapCount(), 0);
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::App);

    monitor.setPickerOpen(false);
    ASSERT_TRUE(monitor.start());
    type(KeyCodes::c, true);
    scheduler.advance(1);
    EXPECT_EQ(holds, std::vector<Key> { Key::Copy });
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(pendingAfterRunningDue(), 0u);
}

TEST_P(HoldMonitorTest, ADestroyedMonitorLeavesNothingBehind)
{
    auto owned = std::make_unique<HoldMonitor>(keyboard, scheduler);
    int held = 0;
    owned->onHold = [&](Key) { ++held; };
    ASSERT_TRUE(owned->start());
    type(KeyCodes::v, true);
    owned.reset();
    scheduler.advance(5);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(keyboard.installedTapCount(), 0);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::App);
}

// Held a little too long, the V that chose in the picker must not paste again in the application once
// the picker has closed; the next press is an ordinary one.
TEST_P(HoldMonitorTest, AVThatChoosesInThePickerKeepsTheRestOfItsPress)
{
    monitor.onPasteInPicker = [this] {
        ++pastesInPicker;
        monitor.setPickerOpen(false);
    };
    ASSERT_TRUE(monitor.start());
    monitor.setPickerOpen(true);
    scheduler.runDue();

    EXPECT_EQ(type(KeyCodes::v, true), Fate::Dropped);
    EXPECT_EQ(pastesInPicker, 1);
    scheduler.runDue();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(type(KeyCodes::v, true, command, true), Fate::Dropped) << "repeat " << i;
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    scheduler.advance(1);
    EXPECT_TRUE(holds.empty());
    EXPECT_EQ(keyboard.postedCount(), 0);

    EXPECT_EQ(type(KeyCodes::v, true, 0), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, false, 0), Fate::App);
    EXPECT_EQ(type(KeyCodes::v, true), Fate::Dropped);
    EXPECT_EQ(type(KeyCodes::v, false), Fate::Dropped);
    scheduler.runDue();
    expectOneResentPress(KeyCodes::v);
}

INSTANTIATE_TEST_SUITE_P(TapModels, HoldMonitorTest, testing::Values(TapModel::EventTap, TapModel::KeyGrab),
    [](const testing::TestParamInfo<TapModel>& info) {
        return info.param == TapModel::EventTap ? "EventTap" : "KeyGrab";
    });
