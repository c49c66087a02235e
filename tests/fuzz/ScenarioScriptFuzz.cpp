#include "ScenarioScript.h"

#include <cstdlib>

// A scenario is text from anyone: reading it either names a malformed line or yields commands whose every
// argument the runner may take at its word.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto parsed = ScenarioScript::parse(text);
    if (parsed.error) {
        if (parsed.error->line < 1 || parsed.error->reason.isEmpty())
            std::abort();
        return 0;
    }
    for (const auto& command : parsed.commands) {
        const auto& args = command.args;
        if (command.name == QLatin1String("copy")) {
            QString error;
            for (const auto& token : args)
                if (!ScenarioScript::item(token.text, &error))
                    std::abort();
        } else if (command.name == QLatin1String("expect")) {
            if (!ScenarioScript::path(args[0].text) || !ScenarioScript::json(command.tail))
                std::abort();
        } else if (command.name == QLatin1String("wait")) {
            const auto seconds = ScenarioScript::number(args[0].text);
            if (!seconds || *seconds < 0 || *seconds > ScenarioScript::maximumWait)
                std::abort();
        } else if (command.name == QLatin1String("hold")) {
            const auto seconds = ScenarioScript::number(args.back().text);
            if (!seconds || *seconds < 0 || *seconds > ScenarioScript::maximumHold)
                std::abort();
        } else if (command.name == QLatin1String("picker")) {
            const auto row = ScenarioScript::number(args[1].text);
            if (!row || *row < 1 || *row > 2147483647.0)
                std::abort();
        }
    }
    return 0;
}
