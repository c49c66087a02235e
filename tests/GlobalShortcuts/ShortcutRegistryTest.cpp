#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "ShortcutEnvironment.h"

using namespace GlobalShortcuts;

namespace {

class ShortcutRegistryTest : public ShortcutEnvironment {
protected:
    void typeKey(const Shortcut& shortcut, bool down, bool repeat = false)
    {
        hotKeys.type({ static_cast<std::uint16_t>(shortcut.carbonKeyCode), down, repeat, shortcut.modifiers(),
            0, {} });
    }
    void press(const Shortcut& shortcut)
    {
        typeKey(shortcut, true);
        typeKey(shortcut, false);
    }
    bool systemHolds(const Shortcut& shortcut) const
    {
        return hotKeys.isRegistered(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
            static_cast<std::uint32_t>(shortcut.carbonModifiers));
    }

    const Shortcut commandShiftS = Shortcut::from(Key::s, cmd | shift);
    std::vector<QString> calls;
};

TEST_F(ShortcutRegistryTest, HandlersRunOnTheirKeyAndHotKeysAreSharedBetweenNames)
{
    const Name first(QStringLiteral("first"));
    const Name second(QStringLiteral("second"));
    storage().setShortcut(commandShiftS, first);
    storage().setShortcut(commandShiftS, second);
    EXPECT_FALSE(systemHolds(commandShiftS)) << "a name without handlers registers nothing";

    registry().onKeyDown(first, [this] { calls.push_back(QStringLiteral("first down")); });
    registry().onKeyUp(first, [this] { calls.push_back(QStringLiteral("first up")); });
    registry().onKeyUp(first, [this] { calls.push_back(QStringLiteral("first up again")); });
    registry().onKeyUp(second, [this] { calls.push_back(QStringLiteral("second up")); });
    ASSERT_TRUE(systemHolds(commandShiftS));
    EXPECT_EQ(hotKeys.registrations().size(), 1u);
    EXPECT_EQ(hotKeys.registrations().front().id, (HotKeyService::HotKeyId { 0x4753484B, 1 }));
    EXPECT_TRUE(registry().isEnabled(first));

    press(commandShiftS);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls,
        (std::vector<QString> { QStringLiteral("first down"), QStringLiteral("first up"),
            QStringLiteral("first up again"), QStringLiteral("second up") }));

    // Clearing one name's binding keeps the hot key for the other; clearing both lets it go.
    storage().setShortcut(std::nullopt, first);
    EXPECT_TRUE(systemHolds(commandShiftS));
    EXPECT_FALSE(registry().isEnabled(first));
    storage().setShortcut(std::nullopt, second);
    EXPECT_FALSE(systemHolds(commandShiftS));

    // A new binding with handlers present registers at once, with the next id.
    storage().setShortcut(Shortcut::from(Key::f5, 0), first);
    ASSERT_EQ(hotKeys.registrations().size(), 1u);
    EXPECT_EQ(hotKeys.registrations().front().id.id, 2u);
    registry().removeHandler(first);
    EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(ShortcutRegistryTest, DisabledNamesAndTheSwitchesKeepHandlersSilent)
{
    const Name name(QStringLiteral("shot"));
    storage().setShortcut(commandShiftS, name);
    int fired = 0;
    registry().onKeyUp(name, [&fired] { ++fired; });

    registry().disable({ name });
    EXPECT_FALSE(systemHolds(commandShiftS));
    press(commandShiftS);
    registry().enable({ name });
    EXPECT_TRUE(systemHolds(commandShiftS));
    press(commandShiftS);
    EXPECT_EQ(fired, 1);

    registry().setPaused(true);
    EXPECT_EQ(shortcuts().hotKeyCenter().mode(), HotKeyCenter::Mode::Disabled);
    EXPECT_FALSE(systemHolds(commandShiftS)) << "paused hot keys are given back";
    press(commandShiftS);
    EXPECT_EQ(fired, 1);
    registry().setPaused(false);
    EXPECT_TRUE(systemHolds(commandShiftS));
    press(commandShiftS);
    EXPECT_EQ(fired, 2);

    registry().setEnabled(false);
    EXPECT_FALSE(systemHolds(commandShiftS));
    registry().setEnabled(true);
    press(commandShiftS);
    EXPECT_EQ(fired, 3);
}

TEST_F(ShortcutRegistryTest, WhileTheMenuTracksKeysArriveRawOncePerPress)
{
    const Name name(QStringLiteral("shot"));
    storage().setShortcut(commandShiftS, name);
    const Name arrow(QStringLiteral("arrow"));
    storage().setShortcut(Shortcut::from(Key::upArrow, ctrl), arrow);
    int downs = 0, ups = 0, arrows = 0;
    registry().onKeyDown(name, [&downs] { ++downs; });
    registry().onKeyUp(name, [&ups] { ++ups; });
    registry().onKeyDown(arrow, [&arrows] { ++arrows; });

    hotKeys.setMenuTracking(true);
    EXPECT_EQ(shortcuts().hotKeyCenter().mode(), HotKeyCenter::Mode::MenuOpen);
    EXPECT_TRUE(hotKeys.registrations().empty()) << "the hot keys step aside while the menu tracks";
    EXPECT_TRUE(hotKeys.rawKeyEventsEnabled());
    EXPECT_FALSE(hotKeys.hotKeyEventsEnabled());
    typeKey(commandShiftS, true);
    typeKey(commandShiftS, true, true);
    typeKey(commandShiftS, true, true);
    typeKey(commandShiftS, false);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
    // The key-up counts even when the modifiers were let go first.
    typeKey(commandShiftS, true);
    hotKeys.type({ 1, false, false, 0, 0, {} });
    EXPECT_EQ(ups, 2);
    // Caps Lock does not matter; the function flag the system sets on arrows does not either.
    hotKeys.type({ 1, true, false, cmd | shift | 0x10000, 0, {} });
    EXPECT_EQ(downs, 3);
    hotKeys.type({ 126, true, false, ctrl | fn, 0, {} });
    hotKeys.type({ 126, true, false, ctrl, 0, {} });
    EXPECT_EQ(arrows, 2);
    // Another combination is left alone.
    EXPECT_EQ(shortcuts().hotKeyCenter().handle(
                  { HotKeyService::EventKind::RawKeyDown, std::nullopt, 1, 0x100, false }),
        HotKeyService::eventNotHandledErr);

    hotKeys.setMenuTracking(false);
    EXPECT_TRUE(systemHolds(commandShiftS));
    EXPECT_FALSE(hotKeys.rawKeyEventsEnabled());
    press(commandShiftS);
    EXPECT_EQ(ups, 3);
}

TEST_F(ShortcutRegistryTest, HotKeyEventsOfOtherSignaturesOrIdsAreNotHandled)
{
    const Name name(QStringLiteral("shot"));
    storage().setShortcut(commandShiftS, name);
    int fired = 0;
    registry().onKeyDown(name, [&fired] { ++fired; });
    const auto id = static_cast<std::uint32_t>(registry().hotKeyId(commandShiftS));
    auto& center = shortcuts().hotKeyCenter();
    using Kind = HotKeyService::EventKind;
    EXPECT_EQ(center.handle({ Kind::HotKeyPressed, HotKeyService::HotKeyId { 0x41424344, id } }),
        HotKeyService::eventNotHandledErr);
    EXPECT_EQ(
        center.handle({ Kind::HotKeyPressed, HotKeyService::HotKeyId { HotKeyCenter::signature, id + 7 } }),
        HotKeyService::eventNotHandledErr);
    EXPECT_EQ(center.handle({ Kind::HotKeyPressed, std::nullopt }), HotKeyService::eventNotHandledErr);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(center.handle({ Kind::HotKeyPressed, HotKeyService::HotKeyId { HotKeyCenter::signature, id } }),
        HotKeyService::noErr);
    EXPECT_EQ(fired, 1);
}

TEST_F(ShortcutRegistryTest, RefusedAndOutOfRangeCombinationsAreNeverRegistered)
{
    hotKeys.takeCombination(1, 0x300);
    const Name taken(QStringLiteral("taken"));
    storage().setShortcut(commandShiftS, taken);
    registry().onKeyDown(taken, [] {});
    EXPECT_FALSE(registry().isRegistered(commandShiftS));
    EXPECT_FALSE(registry().isEnabled(taken));

    for (const auto& shortcut : { Shortcut { -1, 0 }, Shortcut { 0x100000000, 0 }, Shortcut { 0, -256 },
             Shortcut { 0, 0x100000100 }, Shortcut { INT64_MIN, INT64_MIN } }) {
        const Name odd(QStringLiteral("odd"));
        storage().setShortcut(shortcut, odd);
        registry().onKeyDown(odd, [] {});
        EXPECT_FALSE(registry().isRegistered(shortcut));
        registry().removeHandler(odd);
    }
    EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(ShortcutRegistryTest, AHotKeyThatCannotComeBackAfterAPauseIsDropped)
{
    const Name name(QStringLiteral("shot"));
    storage().setShortcut(commandShiftS, name);
    registry().onKeyDown(name, [] {});
    registry().setPaused(true);
    // Someone else takes the combination meanwhile.
    hotKeys.takeCombination(1, 0x300);
    registry().setPaused(false);
    EXPECT_FALSE(registry().isRegistered(commandShiftS));
    EXPECT_EQ(shortcuts().hotKeyCenter().hotKeyCount(), 0u);
}

TEST_F(ShortcutRegistryTest, StreamsDeliverWhileTheyLive)
{
    const Name name(QStringLiteral("stream"));
    storage().setShortcut(commandShiftS, name);
    std::vector<EventType> seen;
    int fixedUps = 0;
    {
        auto stream = registry().events(name, [&seen](EventType type) { seen.push_back(type); });
        auto fixed
            = registry().events(EventType::KeyUp, Shortcut::from(Key::f6, 0), [&fixedUps] { ++fixedUps; });
        EXPECT_TRUE(registry().isRegistered(commandShiftS));
        EXPECT_EQ(registry().storedNames(), std::unordered_set<Name> { name });
        press(commandShiftS);
        press(Shortcut::from(Key::f6, 0));
        EXPECT_TRUE(registry().isShortcutActive(Shortcut::from(Key::f6, 0)));
    }
    EXPECT_EQ(seen, (std::vector<EventType> { EventType::KeyDown, EventType::KeyUp }));
    EXPECT_EQ(fixedUps, 1);
    EXPECT_FALSE(registry().isRegistered(commandShiftS)) << "an ended stream lets its hot key go";
    EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(ShortcutRegistryTest, RepeatingKeyDownsFollowTheSystemRepeatUntilKeyUpOrAChange)
{
    const Name name(QStringLiteral("repeat"));
    storage().setShortcut(commandShiftS, name);
    int downs = 0;
    auto stream = registry().repeatingKeyDownEvents(name, [&downs] { ++downs; });
    typeKey(commandShiftS, true);
    EXPECT_EQ(downs, 1);
    scheduler.advance(0.49);
    EXPECT_EQ(downs, 1);
    scheduler.advance(0.01);
    EXPECT_EQ(downs, 2);
    scheduler.advance(0.12);
    EXPECT_EQ(downs, 4);
    typeKey(commandShiftS, false);
    scheduler.advance(1);
    EXPECT_EQ(downs, 4);

    // A change of binding while the key is held stops the repeating.
    typeKey(commandShiftS, true);
    scheduler.advance(0.51);
    EXPECT_EQ(downs, 6);
    storage().setShortcut(Shortcut::from(Key::d, cmd), name);
    scheduler.advance(1);
    EXPECT_EQ(downs, 6);
}

} // namespace
