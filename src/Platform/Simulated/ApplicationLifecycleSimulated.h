#pragma once

#include "Platform/ApplicationLifecycle.h"

#include <functional>

// Counts termination requests instead of ending the process, so a run can go on to show what followed.
class ApplicationLifecycleSimulated final : public ApplicationLifecycle {
public:
    void terminate() override
    {
        ++m_terminations;
        onTerminate();
    }
    int terminationCount() const { return m_terminations; }

    std::function<void()> onTerminate = [] {};

private:
    int m_terminations = 0;
};
