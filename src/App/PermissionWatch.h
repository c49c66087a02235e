#pragma once

#include "Foundation/TaskHandle.h"

#include <functional>

class Accessibility;
class Scheduler;

// The system announces no grant of the accessibility permission: this asks again once a second until it
// is there, then says so once.
class PermissionWatch final {
public:
    static constexpr double pollInterval = 1.0;

    PermissionWatch(Accessibility& accessibility, Scheduler& scheduler);
    ~PermissionWatch();
    PermissionWatch(const PermissionWatch&) = delete;
    PermissionWatch& operator=(const PermissionWatch&) = delete;

    // Starts watching, over again when already watching; `granted` runs once the permission is there.
    void start(std::function<void()> granted);
    void stop();
    bool isRunning() const { return m_wait.isPending(); }

private:
    void schedule();

    Accessibility& m_accessibility;
    Scheduler& m_scheduler;
    std::function<void()> m_granted;
    TaskHandle m_wait;
};
