#include "Expectation.h"

#include "SimulatorState.h"

#include <algorithm>

namespace Expectation {

namespace {

using json = nlohmann::ordered_json;

bool compare(const json& actual, const QString& op, const json& expected)
{
    if (op == QLatin1String("=="))
        return actual == expected;
    if (op == QLatin1String("!="))
        return actual != expected;
    if (op == QLatin1String("contains")) {
        if (actual.is_array())
            return std::find(actual.begin(), actual.end(), expected) != actual.end();
        if (actual.is_string() && expected.is_string())
            return actual.get<std::string>().find(expected.get<std::string>()) != std::string::npos;
        return false;
    }
    const bool numbers = actual.is_number() && expected.is_number();
    const bool strings = actual.is_string() && expected.is_string();
    if (!numbers && !strings)
        return false;
    if (op == QLatin1String("<"))
        return actual < expected;
    if (op == QLatin1String("<="))
        return actual <= expected;
    if (op == QLatin1String(">"))
        return actual > expected;
    return actual >= expected;
}

// The node at `path`, or null when the state has none there.
const json* find(const json& state, const std::vector<ScenarioScript::PathStep>& path)
{
    const json* node = &state;
    for (const auto& step : path) {
        if (step.key) {
            const auto key = SimulatorState::utf8(*step.key);
            if (!node->is_object() || !node->contains(key))
                return nullptr;
            node = &(*node)[key];
        } else {
            if (!node->is_array() || step.index >= node->size())
                return nullptr;
            node = &(*node)[step.index];
        }
    }
    return node;
}

} // namespace

Outcome evaluate(const json& state, const ScenarioScript::Command& command)
{
    using SimulatorState::utf8;
    const auto& a = command.args;
    const auto expected = json::parse(command.tail.toStdString());
    const json* node = find(state, *ScenarioScript::path(a[0].text));
    const bool ok = node && compare(*node, a[1].text, expected);
    return { ok,
        { { "ok", ok }, { "line", command.line }, { "path", utf8(a[0].text) }, { "op", utf8(a[1].text) },
            { "expected", expected }, { "actual", node ? *node : json(nullptr) } } };
}

} // namespace Expectation
