#include "GlobalShortcuts/Module.h"

#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/RecorderControl.h"

namespace GlobalShortcuts {

Module::Module(Services services)
    : m_services(std::move(services))
    , m_registry(m_services, m_storage)
    , m_storage(m_services.defaults, m_registry, m_notifications)
{
    if (m_services.scheduler)
        m_centerSoon = m_services.scheduler->post([this] { hotKeyCenter(); });
}

Module::~Module()
{
    m_centerSoon.cancel();
    if (auto* recorder = activeRecorder())
        recorder->endRecording();
}

Name Module::name(QString rawValue, std::optional<Shortcut> initial)
{
    Name name(std::move(rawValue), initial);
    m_storage.introduce(name);
    return name;
}

QString Module::presentableDescription(const Shortcut& shortcut) const
{
    return shortcut.presentableDescription(m_services);
}

RecorderControl* Module::activeRecorder() const
{
    return m_activeRecorder.data();
}

void Module::setActiveRecorder(RecorderControl* recorder)
{
    if (auto* previous = m_activeRecorder.data(); previous && previous != recorder && recorder)
        previous->endRecording();
    m_activeRecorder = recorder;
}

} // namespace GlobalShortcuts
