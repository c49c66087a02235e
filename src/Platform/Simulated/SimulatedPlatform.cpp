#include "Platform/Simulated/SimulatedPlatform.h"

namespace {

template <class Service, class Simulated> Service& either(Service* substitute, Simulated& simulated)
{
    return substitute ? *substitute : simulated;
}

} // namespace

SimulatedPlatform::SimulatedPlatform(Scheduler& scheduler, const QString& home)
    : paths(home)
    , processes(scheduler)
    , http(scheduler)
    , m_scheduler(scheduler)
{ }

Platform SimulatedPlatform::platform()
{
    return platform(Substitutes {});
}

Platform SimulatedPlatform::platform(const Substitutes& substitutes)
{
    const auto& s = substitutes;
    return Platform { m_scheduler, pasteboard, either(s.workspace, workspace), either(s.keyboard, keyboard),
        paths, either(s.defaults, defaults), screens, accessibility, either(s.processes, processes), alerts,
        loginItems, log, either(s.bundle, bundle), lifecycle, either(s.http, http),
        either(s.diskImages, diskImages), either(s.codeSigning, codeSigning),
        either(s.bundleReplacement, bundleReplacement), either(s.hotKeys, hotKeys),
        either(s.screenAccess, screenAccess), family };
}
