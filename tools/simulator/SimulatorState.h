#pragma once

#include "SimulatedWorld.h"

#include <nlohmann/json.hpp>

class AppController;
struct ClipboardItem;

// The application's state as the simulator shows it in `dump` and checks it in `expect`.
namespace SimulatorState {

using json = nlohmann::ordered_json;

json all(AppController& app, const SimulatedWorld& world);
// How a text and a rectangle ([x, y, width, height]) show in the state.
std::string utf8(const QString& text);
json rect(const QRectF& r);
// A list of texts as an array.
template <typename Texts> json strings(const Texts& texts)
{
    json array = json::array();
    for (const auto& text : texts)
        array.push_back(utf8(text));
    return array;
}
json item(const ClipboardItem& item);

} // namespace SimulatorState
