#include "Transcript.h"

#include "SimulatorState.h"

#include "Foundation/VirtualScheduler.h"

#include <cmath>

Transcript::Transcript(std::FILE* out, const VirtualScheduler& clock)
    : m_out(out)
    , m_clock(clock)
{ }

void Transcript::report(const char* event, json fields)
{
    if (!m_out)
        return;
    // Whole seconds print as integers ("t":4), the rest rounded to the microsecond.
    const double t = std::round(m_clock.now() * 1e6) / 1e6;
    json line { { "t", t == std::floor(t) ? json(static_cast<long long>(t)) : json(t) }, { "ev", event } };
    for (auto& [key, value] : fields.items())
        line[key] = value;
    std::fputs(line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void Transcript::warn(int line, const QString& message)
{
    report("warning", { { "line", line }, { "message", SimulatorState::utf8(message) } });
}
