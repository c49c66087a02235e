#include "Desktop/DesktopSession.h"
#include "Foundation/EventLoopScheduler.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/Module.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/Desktop/HotKeyServiceDesktop.h"
#include "Platform/Simulated/SimulatedPlatform.h"

#include <QMenu>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spin;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;
using namespace GlobalShortcuts;

namespace {

constexpr std::uint64_t command = EventFlags::command; // the Ctrl key on X11
constexpr std::uint64_t shift = EventFlags::shift;

// The shortcut module on the real X server's hot keys; the store and alerts stay in the process.
class DesktopShortcuts : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(hotKeys.isAvailable());
        Services services;
        services.defaults = &defaults;
        services.hotKeys = &hotKeys;
        services.scheduler = &scheduler;
        services.alerts = &alerts;
        services.family = SystemFamily::Linux;
        module.emplace(std::move(services));
    }

    ShortcutStorage& storage() { return module->storage(); }
    ShortcutRegistry& registry() { return module->registry(); }

    EventLoopScheduler scheduler;
    UserDefaultsStoreSimulated defaults;
    HotKeyServiceDesktop hotKeys;
    AlertsSimulated alerts;
    const Name name { QStringLiteral("screenshot") };
    std::optional<Module> module;
};

TEST_F(DesktopShortcuts, AStoredShortcutFiresWhilePressedInAnotherWindow)
{
    auto window = DesktopSession::startWindow();
    ASSERT_TRUE(window);
    storage().setShortcut(Shortcut::from(Key::s, command | shift), name);
    int downs = 0, ups = 0;
    registry().onKeyDown(name, [&downs] { ++downs; });
    registry().onKeyUp(name, [&ups] { ++ups; });
    ASSERT_TRUE(registry().isEnabled(name));

    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+s") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 1; }));
    EXPECT_EQ(downs, 1);
    // The other window never saw it, and Caps Lock does not keep it from firing.
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Caps_Lock"), QStringLiteral("ctrl+shift+s"),
        QStringLiteral("Caps_Lock") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 2; }));
    window->read();
    EXPECT_FALSE(window->output.contains("key")) << window->output.constData();

    // A held hot key gives one press, and paused hot keys are given back to the server.
    ASSERT_TRUE(xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl+shift+s") }));
    spin(700);
    ASSERT_TRUE(xdotool({ QStringLiteral("keyup"), QStringLiteral("ctrl+shift+s") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 3; }));
    EXPECT_EQ(downs, 3);
    registry().setPaused(true);
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+s") }));
    spin(300);
    EXPECT_EQ(ups, 3);
    registry().setPaused(false);
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+s") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 4; }));
}

TEST_F(DesktopShortcuts, ACombinationAnotherClientHoldsFailsAndCountsAsReserved)
{
    // Another X client, with its own connection, holds Ctrl+Alt+G.
    HotKeyServiceDesktop other;
    ASSERT_TRUE(other.registerHotKey(5, 0x100 | 0x800, { 1, 1 }));
    const auto taken = Shortcut::from(Key::g, command | EventFlags::option);
    EXPECT_FALSE(hotKeys.registerHotKey(5, 0x100 | 0x800, { HotKeyCenter::signature, 99 }));
    EXPECT_TRUE(hotKeys.isReservedBySystem(taken.carbonKeyCode, taken.carbonModifiers));
    EXPECT_TRUE(module->hotKeyCenter().isSystemShortcut(taken));
    EXPECT_FALSE(hotKeys.isReservedBySystem(Key::g, 0x100 | 0x200 | 0x800));

    storage().setShortcut(taken, name);
    registry().onKeyUp(name, [] {});
    EXPECT_FALSE(registry().isRegistered(taken));

    // The probe takes nothing away: once the other client lets go, the combination is free.
    EXPECT_TRUE(other.registerHotKey(5, 0x100 | 0x800, { 1, 2 }) == std::nullopt);
    other.unregisterHotKey(1);
    EXPECT_FALSE(hotKeys.isReservedBySystem(taken.carbonKeyCode, taken.carbonModifiers));
    storage().setShortcut(taken, name);
    EXPECT_TRUE(registry().isRegistered(taken));
}

TEST_F(DesktopShortcuts, ARecorderRecordsWhatIsTypedAndTheMenuPassesShortcutsOn)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* recorder = new RecorderControl(*module, name, {}, &window);
    layout->addWidget(recorder);
    window.show();
    ASSERT_TRUE(spinUntil([&] { return window.isVisible(); }));
    ASSERT_TRUE(DesktopSession::activate(QByteArray::number(static_cast<qulonglong>(window.winId()))));
    ASSERT_TRUE(spinUntil([&] { return window.isActiveWindow(); }));
    recorder->startRecording();
    ASSERT_TRUE(recorder->isRecording());

    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+d") }));
    EXPECT_TRUE(
        spinUntil([&] { return storage().getShortcut(name) == Shortcut::from(Key::d, command | shift); }));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Shift+D"));

    // An open menu holds the keyboard; the shortcut still reaches its handler, through the menu.
    int ups = 0;
    registry().onKeyUp(name, [&ups] { ++ups; });
    QMenu menu;
    menu.addAction(QStringLiteral("Пункт"));
    QObject::connect(&menu, &QMenu::aboutToShow, [this] { hotKeys.menuTrackingChanged(true); });
    QObject::connect(&menu, &QMenu::aboutToHide, [this] { hotKeys.menuTrackingChanged(false); });
    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(spinUntil([&] { return menu.isVisible(); }));
    EXPECT_EQ(module->hotKeyCenter().mode(), HotKeyCenter::Mode::MenuOpen);
    spin(200);
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+d") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 1; }));
    menu.hide();
    EXPECT_EQ(module->hotKeyCenter().mode(), HotKeyCenter::Mode::Normal);
}

TEST_F(DesktopShortcuts, KeysShowWhatTheCurrentLayoutTypes)
{
    EXPECT_EQ(hotKeys.characterForKey(Key::q), QStringLiteral("q"));
    EXPECT_EQ(Shortcut::from(Key::q, command | shift).presentableDescription(module->services()),
        QStringLiteral("Ctrl+Shift+Q"));
    EXPECT_FALSE(hotKeys.characterForKey(-1));
    EXPECT_FALSE(hotKeys.characterForKey(Key::mute)) << "no key of the server types it";
    ASSERT_TRUE(run(QStringLiteral("setxkbmap"), { QStringLiteral("ru") }));
    const auto restore = qScopeGuard([] { run(QStringLiteral("setxkbmap"), { QStringLiteral("us") }); });
    EXPECT_TRUE(spinUntil([&] { return hotKeys.characterForKey(Key::q) == QStringLiteral("й"); }));
    EXPECT_EQ(
        Shortcut::from(Key::q, command).presentableDescription(module->services()), QStringLiteral("Ctrl+Й"));
    // The hot key stays on the key's position: the same key pressed in the Cyrillic layout fires it.
    storage().setShortcut(Shortcut::from(Key::q, command), name);
    int ups = 0;
    registry().onKeyUp(name, [&ups] { ++ups; });
    EXPECT_TRUE(registry().isRegistered(Shortcut::from(Key::q, command)));
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+Cyrillic_shorti") }));
    EXPECT_TRUE(spinUntil([&] { return ups == 1; }));
}

} // namespace
