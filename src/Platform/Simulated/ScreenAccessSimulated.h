#pragma once

#include "Platform/ScreenAccess.h"

// The permission as a script sets it. The prompt changes nothing by itself, as on the real system, where
// the user grants access in the system settings and restarts the application; it is only counted.
class ScreenAccessSimulated final : public ScreenAccess {
public:
    bool preflight() const override { return m_granted; }
    void request() override { ++m_requests; }

    void setGranted(bool granted) { m_granted = granted; }
    int requests() const { return m_requests; }

private:
    bool m_granted = false;
    int m_requests = 0;
};
