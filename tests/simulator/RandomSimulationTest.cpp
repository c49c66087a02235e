#include "ScenarioGenerator.h"
#include "SimulationChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "TestSupport/PropertySeed.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

constexpr int defaultScenarioCount = 1000;
constexpr int shrinkRunLimit = 400;

int scenarioCount()
{
    const char* text = std::getenv("DRIMO_SIMULATION_COUNT");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : defaultScenarioCount;
}

// Homes live in memory when the machine offers it: the store syncs every index it writes, and a thousand
// runs on a disk would spend most of their time waiting for it.
QString homesFolder()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

struct Outcome {
    std::string failure; // empty when every step held
    std::size_t step = 0;
};

Outcome run(const std::vector<std::string>& steps)
{
    QTemporaryDir home(homesFolder() + QStringLiteral("/drimo-random-XXXXXX"));
    if (!home.isValid())
        return { "setup: no temporary home", 0 };
    std::unique_ptr<ScenarioRunner> runner;
    std::unique_ptr<SimulationChecker> checker;
    std::vector<QString> lastSeen;
    const auto launch = [&] {
        // The transcript is not needed: the checker listens to the world itself.
        runner = std::make_unique<ScenarioRunner>(home.path(), nullptr);
        checker = std::make_unique<SimulationChecker>(*runner);
    };
    const auto quit = [&] {
        runner.reset();
        checker.reset();
    };
    launch();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == ScenarioGenerator::restart) {
            quit();
            launch();
            checker->expectAfterRestart(lastSeen);
            continue;
        }
        const auto parsed = ScenarioScript::parse(QString::fromStdString(steps[i]));
        if (parsed.error) {
            quit();
            return { "the generator wrote a malformed line: " + parsed.error->reason.toStdString(), i };
        }
        for (const auto& command : parsed.commands) {
            checker->beginStep(command);
            runner->run({ command });
            checker->endStep();
        }
        if (!checker->failure().empty()) {
            const auto failure = checker->failure();
            quit();
            return { failure, i };
        }
        if (runner->app())
            lastSeen = checker->historyIds();
    }
    quit();
    return {};
}

std::string rule(const std::string& failure)
{
    return failure.substr(0, failure.find(':'));
}

// Delta debugging: drops ever smaller runs of steps while the same rule still breaks.
std::vector<std::string> shrink(std::vector<std::string> steps, const std::string& failure)
{
    int runs = 0;
    for (std::size_t chunk = steps.size() / 2; chunk >= 1 && runs < shrinkRunLimit; chunk /= 2) {
        for (std::size_t start = 0; start < steps.size() && runs < shrinkRunLimit;) {
            auto candidate = steps;
            candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(start),
                candidate.begin() + static_cast<std::ptrdiff_t>(std::min(start + chunk, candidate.size())));
            ++runs;
            const auto outcome = run(candidate);
            if (!outcome.failure.empty() && rule(outcome.failure) == rule(failure))
                steps = std::move(candidate);
            else
                start += chunk;
        }
    }
    return steps;
}

// The offscreen platform's notes about what it cannot do (raise, grab the keyboard) would bury a failure
// under thousands of lines.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg
        || message.startsWith(QLatin1String("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

std::string scenarioText(const std::vector<std::string>& steps)
{
    std::ostringstream text;
    for (const auto& step : steps) {
        if (step == ScenarioGenerator::restart)
            text << "# restart: the rest is a second drimo-sim run on the same --home\n";
        else
            text << step << '\n';
    }
    return text.str();
}

std::uint64_t scenarioSeed(std::uint64_t seed, int index)
{
    // splitmix64: neighbouring indices give unrelated scenarios.
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(index + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

// Random days of a user and of other applications against the whole simulated application, restarts
// included; after every step the history, its folder, the pasteboard and the keyboard must be as they
// should. A failure names its seed and prints the smallest scenario found that still fails.
TEST(RandomSimulationTest, EveryStepKeepsTheRules)
{
    const std::uint64_t seed = PropertySeed::current();
    const int count = scenarioCount();
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietPlatformNotes);
    for (int index = 0; index < count; ++index) {
        const auto steps = ScenarioGenerator(scenarioSeed(seed, index)).scenario();
        const auto outcome = run(steps);
        if (outcome.failure.empty())
            continue;
        const std::vector<std::string> upToFailure(
            steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(outcome.step) + 1);
        const auto shrunk = shrink(upToFailure, outcome.failure);
        const auto last = run(shrunk);
        qInstallMessageHandler(previousHandler);
        FAIL() << "DRIMO_PROPERTY_SEED=" << seed << ", scenario " << index << " of " << count << ": "
               << outcome.failure << "\nafter step " << outcome.step + 1 << " of " << steps.size()
               << "; shrunk to " << shrunk.size() << " steps, which break \""
               << (last.failure.empty() ? outcome.failure : last.failure) << "\":\n"
               << scenarioText(shrunk);
    }
    qInstallMessageHandler(previousHandler);
}
