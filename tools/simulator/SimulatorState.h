#pragma once

#include "SimulatedWorld.h"

#include <nlohmann/json.hpp>

class AppController;
struct ClipboardItem;

// The application's state as the simulator shows it in `dump` and checks it in `expect`.
namespace SimulatorState {

using json = nlohmann::ordered_json;

json all(AppController& app, const SimulatedWorld& world);
json item(const ClipboardItem& item);

} // namespace SimulatorState
