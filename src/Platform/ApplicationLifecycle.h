#pragma once

// The application object's own life.
class ApplicationLifecycle {
public:
    virtual ~ApplicationLifecycle() = default;

    // Ends the application the normal way, as choosing Quit does: after the current event has been
    // handled. Never fails.
    virtual void terminate() = 0;
};
