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
    const Name name = shortcuts().name(QStringLiteral("toggle"), initial);
    EXPECT_EQ(name.storageKey(), QStringLiteral("GlobalShortcuts_toggle"));
    EXPECT_EQ(stored(name), DefaultsValue(QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":2304})")));
    EXPECT_EQ(storage().getShortcut(name), initial);
    EXPECT_TRUE(changes.empty()) << "writing the initial shortcut is not a change";

    storage().setShortcut(std::nullopt, name);
    EXPECT_EQ(stored(name), DefaultsValue(false));
    EXPECT_EQ(changes.size(), 1u);
    const Name again = shortcuts().name(QStringLiteral("toggle"), initial);
    EXPECT_EQ(stored(again), DefaultsValue(false));
    EXPECT_FALSE(storage().getShortcut(again));
    // Disabling what is already disabled changes nothing.
    storage().userDefaultsDisable(again);
    EXPECT_EQ(changes.size(), 1u);

    // Reset brings the initial shortcut back even from false.
    storage().reset({ again });
    EXPECT_EQ(storage().getShortcut(again), initial);
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(again.defaultShortcut(), initial);
}

TEST_F(ShortcutStorageTest, ClearingANameWithoutInitialShortcutRemovesItsKeyOnce)
{
    const Name name(QStringLiteral("plain"));
    EXPECT_FALSE(stored(name));
    storage().setShortcut(Shortcut::from(Key::p, cmd), name);
    EXPECT_EQ(storage().getShortcut(name), Shortcut::from(Key::p, cmd));
    EXPECT_EQ(changes, std::vector<QString> { QStringLiteral("plain") });

    storage().setShortcut(std::nullopt, name);
    EXPECT_FALSE(stored(name));
    EXPECT_EQ(changes.size(), 2u);
    storage().setShortcut(std::nullopt, name);
    EXPECT_EQ(changes.size(), 2u) << "a second clear posts nothing";

    // A value of the wrong shape reads as not set; removing it is still a change.
    defaults.set(name.storageKey(), QStringLiteral("{broken"));
    EXPECT_FALSE(storage().getShortcut(name));
    storage().reset({ name });
    EXPECT_FALSE(stored(name));
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(ShortcutStorageTest, ResetAllResetsTheNamesWithHandlers)
{
    const Name withHandler = shortcuts().name(QStringLiteral("handled"), Shortcut::from(Key::h, cmd));
    const Name withoutHandler = shortcuts().name(QStringLiteral("unhandled"), Shortcut::from(Key::u, cmd));
    registry().onKeyDown(withHandler, [] {});
    storage().setShortcut(Shortcut::from(Key::j, cmd), withHandler);
    storage().setShortcut(Shortcut::from(Key::l, cmd), withoutHandler);
    EXPECT_EQ(registry().storedNames(), std::unordered_set<Name> { withHandler });
    storage().resetAll();
    EXPECT_EQ(storage().getShortcut(withHandler), Shortcut::from(Key::h, cmd));
    EXPECT_EQ(storage().getShortcut(withoutHandler), Shortcut::from(Key::l, cmd));
}

} // namespace
