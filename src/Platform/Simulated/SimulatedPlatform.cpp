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
    return Platform {
        .scheduler = either(s.scheduler, m_scheduler),
        .pasteboard = pasteboard,
        .workspace = either(s.workspace, workspace),
        .keyboard = either(s.keyboard, keyboard),
        .paths = paths,
        .defaults = either(s.defaults, defaults),
        .screens = screens,
        .accessibility = accessibility,
        .processes = either(s.processes, processes),
        .alerts = alerts,
        .loginItems = loginItems,
        .log = log,
        .bundle = either(s.bundle, bundle),
        .lifecycle = lifecycle,
        .http = either(s.http, http),
        .diskImages = either(s.diskImages, diskImages),
        .codeSigning = either(s.codeSigning, codeSigning),
        .bundleReplacement = either(s.bundleReplacement, bundleReplacement),
        .hotKeys = either(s.hotKeys, hotKeys),
        .screenAccess = either(s.screenAccess, screenAccess),
        .family = family,
    };
}
