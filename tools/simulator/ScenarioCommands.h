#pragma once

#include "ScenarioScript.h"

#include <QLatin1String>

#include <vector>

class ScenarioRunner;

// Every command of the scenario language, once: its name, how its arguments are checked when the file is
// read, and what it does when it runs.
class ScenarioCommands final {
public:
    struct Definition {
        QLatin1String name;
        // Why the arguments are malformed; empty when they are well-formed.
        QString (*check)(const ScenarioScript::Command&);
        void (*run)(ScenarioRunner&, const ScenarioScript::Command&);
        // Where the JSON value starts among the arguments (the rest of the line is the value); -1 for
        // commands that take none.
        int jsonArgument = -1;
    };

    // The command called `name`, or null when there is none.
    static const Definition* find(const QString& name);

private:
    static const std::vector<Definition>& all();
};
