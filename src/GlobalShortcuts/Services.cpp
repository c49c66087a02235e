#include "GlobalShortcuts/Services.h"

#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "GlobalShortcuts/ShortcutRegistry.h"

namespace GlobalShortcuts {
namespace {

Services installed;
// Bumped by each installation, so that a creation scheduled for earlier services does nothing.
int generation = 0;
bool centerScheduled = false;

} // namespace

void install(const Services& services)
{
    RecorderControl::endActiveRecording();
    resetRegistry();
    HotKeyCenter::destroyShared();
    installed = services;
    ++generation;
    centerScheduled = false;
}

const Services& services()
{
    return installed;
}

void createHotKeyCenterSoon()
{
    if (centerScheduled || !installed.scheduler)
        return;
    centerScheduled = true;
    installed.scheduler->post([scheduledFor = generation] {
        if (scheduledFor == generation)
            HotKeyCenter::shared();
    });
}

} // namespace GlobalShortcuts
