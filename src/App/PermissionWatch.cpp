#include "App/PermissionWatch.h"

#include "Foundation/Scheduler.h"
#include "Platform/Accessibility.h"

PermissionWatch::PermissionWatch(Accessibility& accessibility, Scheduler& scheduler)
    : m_accessibility(accessibility)
    , m_scheduler(scheduler)
{ }

PermissionWatch::~PermissionWatch()
{
    stop();
}

void PermissionWatch::start(std::function<void()> granted)
{
    stop();
    m_granted = std::move(granted);
    schedule();
}

void PermissionWatch::stop()
{
    // The wait still ends, told that it was cancelled: it then leaves this object alone.
    m_wait.cancel();
}

void PermissionWatch::schedule()
{
    m_wait = m_scheduler.after(pollInterval, [this](bool cancelled) {
        if (cancelled)
            return;
        if (!m_accessibility.isProcessTrusted())
            return schedule();
        m_granted();
    });
}
