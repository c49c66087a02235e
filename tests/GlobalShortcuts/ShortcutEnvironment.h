#pragma once

#include "Foundation/VirtualScheduler.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/Services.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/HotKeyServiceSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"

#include <gtest/gtest.h>

#include <vector>

// A simulated machine with the shortcut module installed on it, fresh for each test.
class ShortcutEnvironment : public ::testing::Test {
protected:
    void SetUp() override { install(); }
    void TearDown() override { GlobalShortcuts::install({}); }

    void install()
    {
        GlobalShortcuts::Services services;
        services.defaults = &defaults;
        services.hotKeys = &hotKeys;
        services.scheduler = &scheduler;
        services.alerts = &alerts;
        services.applicationMenu = [this] { return menu; };
        GlobalShortcuts::install(services);
        QObject::connect(&GlobalShortcuts::Notifications::shared(),
            &GlobalShortcuts::Notifications::shortcutByNameDidChange, &receiver,
            [this](const GlobalShortcuts::Name& name) { changes.push_back(name.rawValue); });
    }

    // A hardware key press: down and up with these event flags.
    void press(std::uint16_t keyCode, std::uint64_t flags = 0)
    {
        hotKeys.type({ keyCode, true, false, flags, 0, {} });
        hotKeys.type({ keyCode, false, false, flags, 0, {} });
    }

    static constexpr std::uint64_t cmd = GlobalShortcuts::Modifiers::Flags::command;
    static constexpr std::uint64_t shift = GlobalShortcuts::Modifiers::Flags::shift;
    static constexpr std::uint64_t ctrl = GlobalShortcuts::Modifiers::Flags::control;
    static constexpr std::uint64_t opt = GlobalShortcuts::Modifiers::Flags::option;
    static constexpr std::uint64_t fn = GlobalShortcuts::Modifiers::Flags::function;

    VirtualScheduler scheduler;
    UserDefaultsStoreSimulated defaults;
    HotKeyServiceSimulated hotKeys;
    AlertsSimulated alerts;
    std::vector<GlobalShortcuts::MenuItem> menu;
    QObject receiver;
    std::vector<QString> changes;
};
