#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Random scenarios for the whole application: what a user and the other applications of a busy day might
// do, hostile copies included. Each step is one scenario line, or `restart`: the application quits and
// starts again on the same home.
class ScenarioGenerator final {
public:
    static inline const std::string restart = "restart";

    explicit ScenarioGenerator(std::uint64_t seed);

    std::vector<std::string> scenario();

private:
    void preamble(std::vector<std::string>& steps);
    void step(std::vector<std::string>& steps);
    std::string copy();
    std::string item();
    std::string text();
    std::string press();
    std::string hold();
    void splitPress(std::vector<std::string>& steps);
    std::string typed();
    std::string setting();
    std::string settingsWindow();
    std::string modifiers(double chance);

    bool chance(double probability);
    int between(int low, int high);
    template <typename T, std::size_t N> const T& pick(const T (&choices)[N])
    {
        return choices[static_cast<std::size_t>(between(0, static_cast<int>(N) - 1))];
    }

    std::mt19937_64 m_random;
    bool m_trusted = false;
};
