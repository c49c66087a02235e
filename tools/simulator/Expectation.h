#pragma once

#include "ScenarioScript.h"

#include <nlohmann/json.hpp>

// `expect PATH OP JSON` against the application's state.
namespace Expectation {

struct Outcome {
    bool ok = false;
    // What the transcript's `expect` line says: the line, path, operator, expected and actual value.
    nlohmann::ordered_json fields;
};

Outcome evaluate(const nlohmann::ordered_json& state, const ScenarioScript::Command& command);

} // namespace Expectation
