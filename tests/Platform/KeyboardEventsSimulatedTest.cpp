#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include <gtest/gtest.h>

namespace {
KeyEvent key(std::uint16_t code, bool down, std::uint64_t flags = EventFlags::command, std::int64_t user = 0)
{
    KeyEvent e;
    e.keyCode = code;
    e.isDown = down;
    e.flags = flags;
    e.userData = user;
    return e;
}
} // namespace

TEST(KeyboardEventsSimulated, EventsPassTheTapThenReachTheFrontApplicationOrTheKeyWindow)
{
    WorkspaceSimulated workspace;
    workspace.setFrontmost(QStringLiteral("com.apple.TextEdit"));
    KeyboardEventsSimulated keyboard(workspace);

    keyboard.setTrusted(false);
    EXPECT_EQ(keyboard.createTap({}, [](auto, auto&) { return KeyboardTap::Verdict::Pass; }), nullptr);
    keyboard.setTrusted(true);
    keyboard.setTapCreationFails(true);
    EXPECT_EQ(keyboard.createTap({}, [](auto, auto&) { return KeyboardTap::Verdict::Pass; }), nullptr);
    keyboard.setTapCreationFails(false);

    std::vector<std::pair<KeyboardTap::Notice, KeyEvent>> seen;
    auto tap = keyboard.createTap({ KeyChord { KeyCodes::v, EventFlags::command } },
        [&](KeyboardTap::Notice notice, const KeyEvent& event) {
            seen.emplace_back(notice, event);
            // Drops user V presses and posts a marked replacement from inside the callback.
            if (event.keyCode == KeyCodes::v && event.userData == 0) {
                if (!event.isDown)
                    keyboard.post(key(KeyCodes::v, true, EventFlags::command, 0x44524D50));
                return KeyboardTap::Verdict::Drop;
            }
            return KeyboardTap::Verdict::Pass;
        });
    ASSERT_NE(tap, nullptr);
    EXPECT_EQ(keyboard.installedTapCount(), 1);

    keyboard.type(key(KeyCodes::v, true));
    keyboard.type(key(KeyCodes::v, false));
    ASSERT_EQ(keyboard.deliveries().size(), 3u);
    EXPECT_EQ(keyboard.deliveries()[0].fate, KeyboardEventsSimulated::Fate::Dropped);
    EXPECT_EQ(keyboard.deliveries()[1].fate, KeyboardEventsSimulated::Fate::Dropped);
    EXPECT_EQ(keyboard.deliveries()[2].fate, KeyboardEventsSimulated::Fate::App);
    EXPECT_TRUE(keyboard.deliveries()[2].posted);
    EXPECT_EQ(keyboard.deliveries()[2].application, QStringLiteral("com.apple.TextEdit"));
    EXPECT_EQ(seen.at(2).second.userData, 0x44524D50) << "posted events pass back through the tap";

    keyboard.keyWindow = [](const KeyEvent& e) { return e.keyCode == 36; };
    keyboard.type(key(36, true, 0));
    EXPECT_EQ(keyboard.deliveries().back().fate, KeyboardEventsSimulated::Fate::Panel);

    keyboard.disableTapsByTimeout();
    EXPECT_FALSE(tap->isEnabled());
    EXPECT_EQ(seen.back().first, KeyboardTap::Notice::DisabledByTimeout);
    keyboard.type(key(KeyCodes::v, true));
    EXPECT_EQ(keyboard.deliveries().back().fate, KeyboardEventsSimulated::Fate::App)
        << "a disabled tap sees nothing";

    tap.reset();
    EXPECT_EQ(keyboard.installedTapCount(), 0);
}

TEST(KeyboardEventsSimulated, AKeyGrabShowsChordPressesAndWhatFollowsADroppedOneUntilItsKeyUp)
{
    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard(workspace);
    keyboard.setTapModel(KeyboardEventsSimulated::TapModel::KeyGrab);

    std::vector<KeyEvent> seen;
    bool dropping = true;
    auto tap
        = keyboard.createTap({ KeyChord { KeyCodes::v, EventFlags::command }, KeyChord { KeyCodes::c, {} } },
            [&](KeyboardTap::Notice, const KeyEvent& event) {
                seen.push_back(event);
                return dropping ? KeyboardTap::Verdict::Drop : KeyboardTap::Verdict::Pass;
            });
    ASSERT_NE(tap, nullptr);

    // Caps Lock does not matter, Shift does.
    keyboard.type(key(KeyCodes::v, true, EventFlags::command | EventFlags::shift));
    keyboard.type(key(KeyCodes::v, false, EventFlags::command | EventFlags::shift));
    EXPECT_TRUE(seen.empty());
    keyboard.type(key(KeyCodes::v, true, EventFlags::command | EventFlags::capsLock));
    ASSERT_EQ(seen.size(), 1u);

    // Held by the dropped press: another key, the repeat and the key-up without Command are all shown,
    // and the grab lasts until every key whose down was dropped is up.
    keyboard.type(key(36, true, 0));
    keyboard.type(key(KeyCodes::v, true, 0));
    keyboard.type(key(KeyCodes::v, false, 0));
    keyboard.type(key(36, false, 0));
    EXPECT_EQ(seen.size(), 5u);
    keyboard.type(key(36, true, 0));
    keyboard.type(key(36, false, 0));
    EXPECT_EQ(seen.size(), 5u) << "the grab has ended";

    // A passed press is replayed and releases the grab: its key-up is not shown.
    dropping = false;
    keyboard.type(key(KeyCodes::c, true, EventFlags::control));
    keyboard.type(key(KeyCodes::c, false, EventFlags::control));
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_TRUE(seen.back().isDown);

    // Losing the grab forgets it; re-enabling restores the tap.
    dropping = true;
    keyboard.type(key(KeyCodes::c, true, 0));
    keyboard.disableTapsByUserInput();
    EXPECT_FALSE(tap->isEnabled());
    tap->setEnabled(true);
    keyboard.type(key(KeyCodes::c, false, 0));
    EXPECT_EQ(seen.size(), 8u) << "the down and the disabled notice; the key-up is no longer grabbed";
    keyboard.type(key(KeyCodes::c, true, 0));
    EXPECT_EQ(seen.size(), 9u);
}
