#pragma once

#include "ScenarioScript.h"

#include <nlohmann/json.hpp>

#include <functional>

class AppController;
class SettingsView;

// The user in the settings window: `settings choose|toggle|click`, acting on the real controls, and the
// window's rows as the state shows them.
class SettingsDriver final {
public:
    using Warn = std::function<void(int line, const QString& message)>;
    explicit SettingsDriver(Warn warn);

    void execute(AppController& app, const ScenarioScript::Command& command);
    nlohmann::ordered_json state(AppController& app) const;

private:
    Warn m_warn;
};
