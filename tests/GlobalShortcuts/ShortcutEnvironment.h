#pragma once

#include "Foundation/VirtualScheduler.h"
#include "GlobalShortcuts/Module.h"
#include "Platform/KeyEvent.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/HotKeyServiceSimulated.h"
#include "Platform/Simulated/UserDefaultsStoreSimulated.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

// A simulated machine with its own shortcut module, fresh for each test.
class ShortcutEnvironment : public ::testing::Test {
protected:
    ShortcutEnvironment()
    {
        GlobalShortcuts::Services services;
        services.defaults = &defaults;
        services.hotKeys = &hotKeys;
        services.scheduler = &scheduler;
        services.alerts = &alerts;
        services.applicationMenu = [this] { return menu; };
        module.emplace(std::move(services));
        QObject::connect(&module->notifications(), &GlobalShortcuts::Notifications::shortcutByNameDidChange,
            &receiver, [this](const GlobalShortcuts::Name& name) { changes.push_back(name.rawValue); });
    }

    GlobalShortcuts::Module& shortcuts() { return *module; }
    GlobalShortcuts::ShortcutStorage& storage() { return module->storage(); }
    GlobalShortcuts::ShortcutRegistry& registry() { return module->registry(); }

    // A hardware key press: down and up with these event flags.
    void press(std::uint16_t keyCode, std::uint64_t flags = 0)
    {
        hotKeys.type({ keyCode, true, false, flags, 0, {} });
        hotKeys.type({ keyCode, false, false, flags, 0, {} });
    }

    static constexpr std::uint64_t cmd = EventFlags::command;
    static constexpr std::uint64_t shift = EventFlags::shift;
    static constexpr std::uint64_t ctrl = EventFlags::control;
    static constexpr std::uint64_t opt = EventFlags::option;
    static constexpr std::uint64_t fn = EventFlags::function;

    VirtualScheduler scheduler;
    UserDefaultsStoreSimulated defaults;
    HotKeyServiceSimulated hotKeys;
    AlertsSimulated alerts;
    std::vector<GlobalShortcuts::MenuItem> menu;
    QObject receiver;
    std::vector<QString> changes;
    std::optional<GlobalShortcuts::Module> module;
};
