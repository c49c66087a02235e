#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string_view>

namespace PropertySeed {

// The seed every randomised test runs with: CI runs the fixed one; DRIMO_PROPERTY_SEED replays a reported
// failure ("random" picks a fresh seed, which the test prints).
constexpr std::uint64_t fixed = 20261206;

inline std::uint64_t current()
{
    const char* text = std::getenv("DRIMO_PROPERTY_SEED");
    if (!text || !*text)
        return fixed;
    if (std::string_view(text) == "random")
        return std::random_device {}();
    char* end = nullptr;
    const std::uint64_t seed = std::strtoull(text, &end, 10);
    return *end == '\0' ? seed : fixed;
}

} // namespace PropertySeed
