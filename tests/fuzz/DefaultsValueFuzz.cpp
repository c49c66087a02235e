#include "Foundation/DefaultsValue.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

// A settings file is outside data too: any JSON value either is refused or survives a round trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto json = nlohmann::json::parse(data, data + size, nullptr, false);
    if (json.is_discarded())
        return 0;
    const auto value = DefaultsValue::fromJson(json);
    if (!value)
        return 0;
    const auto again = DefaultsValue::fromJson(nlohmann::json::parse(value->toJson().dump()));
    if (!again || again->kind() != value->kind())
        std::abort();
    return 0;
}
