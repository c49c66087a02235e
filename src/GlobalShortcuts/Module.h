#pragma once

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/ShortcutStorage.h"

#include "Foundation/TaskHandle.h"

#include <QPointer>

#include <optional>

namespace GlobalShortcuts {

class HotKeyCenter;
class RecorderControl;

// The global-shortcut module for one application: the stored bindings, the handler registry with its hot
// keys and hot-key centre, the announcements, and the recorder that is recording. The application
// controller makes one and hands it to whoever shows or records shortcuts; tests make their own. It must
// outlive its recorders. Main thread only.
class Module final {
public:
    explicit Module(Services services = {});
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const Services& services() const { return m_services; }
    Notifications& notifications() { return m_notifications; }
    ShortcutStorage& storage() { return m_storage; }
    const ShortcutStorage& storage() const { return m_storage; }
    ShortcutRegistry& registry() { return m_registry; }
    const ShortcutRegistry& registry() const { return m_registry; }
    HotKeyCenter& hotKeyCenter() { return m_registry.hotKeyCenter(); }

    // A name, with its initial shortcut written to the store when nothing at all is stored for it yet.
    Name name(QString rawValue, std::optional<Shortcut> initial = std::nullopt);
    QString presentableDescription(const Shortcut& shortcut) const;

    // At most one recorder records at a time; no global shortcut fires meanwhile.
    RecorderControl* activeRecorder() const;
    // The recorder that starts recording; whichever was recording ends first. Null when it stops.
    void setActiveRecorder(RecorderControl* recorder);

private:
    Services m_services;
    Notifications m_notifications;
    ShortcutRegistry m_registry;
    ShortcutStorage m_storage;
    QPointer<RecorderControl> m_activeRecorder;
    // The hot-key centre is made on the next turn of the main thread, so that it follows the menu from the
    // start.
    TaskHandle m_centerSoon;
};

} // namespace GlobalShortcuts
