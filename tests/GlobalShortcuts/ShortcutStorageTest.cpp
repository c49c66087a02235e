#include "GlobalShortcuts/ShortcutStorage.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "ShortcutEnvironment.h"

using namespace GlobalShortcuts;

namespace {

class ShortcutStorageTest : public ShortcutEnvironment {
protected:
    std::optional<DefaultsValue> stored(const Name& name) const { return defaults.object(name.storageKey()); }
};

TEST_F(ShortcutStorageTest, AnInitialShortcutIsWrittenOnceAndAClearedOneStaysCleared)
{
    const auto initial = Shortcut::from(Key::k, cmd | opt);
    const Name name(QStringLiteral("toggle"), initial);
    EXPECT_EQ(name.storageKey(), QStringLiteral("GlobalShortcuts_toggle"));
    EXPECT_EQ(stored(name), DefaultsValue(QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":2304})")));
    EXPECT_EQ(getShortcut(name), initial);
    EXPECT_TRUE(changes.empty()) << "writing the initial shortcut is not a change";

    setShortcut(std::nullopt, name);
    EXPECT_EQ(stored(name), DefaultsValue(false));
    EXPECT_EQ(changes.size(), 1u);
    const Name again(QStringLiteral("toggle"), initial);
    EXPECT_EQ(stored(again), DefaultsValue(false));
    EXPECT_FALSE(getShortcut(again));
    EXPECT_FALSE(Shortcut::from(again));
    // Disabling what is already disabled changes nothing.
    userDefaultsDisable(again);
    EXPECT_EQ(changes.size(), 1u);

    // Reset brings the initial shortcut back even from false.
    reset({ again });
    EXPECT_EQ(getShortcut(again), initial);
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(again.defaultShortcut(), initial);
}

TEST_F(ShortcutStorageTest, ClearingANameWithoutInitialShortcutRemovesItsKeyOnce)
{
    const Name name(QStringLiteral("plain"));
    EXPECT_FALSE(stored(name));
    name.setShortcut(Shortcut::from(Key::p, cmd));
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::p, cmd));
    EXPECT_EQ(changes, std::vector<QString> { QStringLiteral("plain") });

    name.setShortcut(std::nullopt);
    EXPECT_FALSE(stored(name));
    EXPECT_EQ(changes.size(), 2u);
    name.setShortcut(std::nullopt);
    EXPECT_EQ(changes.size(), 2u) << "a second clear posts nothing";

    // A value of the wrong shape reads as not set; removing it is still a change.
    defaults.set(name.storageKey(), QStringLiteral("{broken"));
    EXPECT_FALSE(getShortcut(name));
    reset({ name });
    EXPECT_FALSE(stored(name));
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(ShortcutStorageTest, ResetAllResetsTheNamesWithHandlers)
{
    const Name withHandler(QStringLiteral("handled"), Shortcut::from(Key::h, cmd));
    const Name withoutHandler(QStringLiteral("unhandled"), Shortcut::from(Key::u, cmd));
    onKeyDown(withHandler, [] {});
    withHandler.setShortcut(Shortcut::from(Key::j, cmd));
    withoutHandler.setShortcut(Shortcut::from(Key::l, cmd));
    EXPECT_EQ(storedNames(), std::unordered_set<Name> { withHandler });
    resetAll();
    EXPECT_EQ(getShortcut(withHandler), Shortcut::from(Key::h, cmd));
    EXPECT_EQ(getShortcut(withoutHandler), Shortcut::from(Key::l, cmd));
}

} // namespace
