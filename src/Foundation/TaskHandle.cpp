#include "Foundation/TaskHandle.h"

void TaskHandle::cancel()
{
    if (!m_state || m_state->cancelled || m_state->finished)
        return;
    m_state->cancelled = true;
    if (auto wake = std::move(m_state->wakeEarly))
        wake();
}
