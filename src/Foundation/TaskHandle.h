#pragma once

#include <functional>
#include <memory>

// A handle on one task started through a Scheduler. Copies share the task; a default-constructed handle
// refers to nothing and all its operations are harmless.
class TaskHandle final {
public:
    struct State {
        bool cancelled = false;
        bool finished = false;
        // Installed by the scheduler: makes the pending continuation run soon, seeing the cancellation.
        std::function<void()> wakeEarly;
    };

    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<State> state)
        : m_state(std::move(state))
    {
    }

    // Ends the wait early; the continuation still runs once, told that it was cancelled.
    void cancel();
    bool isCancelled() const { return m_state && m_state->cancelled; }
    // True while the continuation has not run yet.
    bool isPending() const { return m_state && !m_state->finished; }
    bool isValid() const { return m_state != nullptr; }

private:
    std::shared_ptr<State> m_state;
};
