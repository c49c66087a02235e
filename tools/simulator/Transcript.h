#pragma once

#include <QString>

#include <nlohmann/json.hpp>

#include <cstdio>

class VirtualScheduler;

// The scenario's transcript: one JSON object a line, stamped with the virtual time.
class Transcript final {
public:
    using json = nlohmann::ordered_json;

    // `out` may be null: nothing is printed.
    Transcript(std::FILE* out, const VirtualScheduler& clock);

    void report(const char* event, json fields = json::object());
    void warn(int line, const QString& message);
    // Nothing more is printed: tearing the application down is not part of the scenario.
    void close() { m_out = nullptr; }

private:
    std::FILE* m_out;
    const VirtualScheduler& m_clock;
};
