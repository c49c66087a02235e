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

// The event tap's model (trust, failures, posted events passing back through the tap, the key window and a
// disabled tap) is what HoldMonitorTest drives in every case; the key grab's differs enough to test here.
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
