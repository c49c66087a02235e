#pragma once

#include <QString>

// Launching this application when the user logs in.
class LoginItemService {
public:
    enum class Status { NotRegistered, Enabled, RequiresApproval, NotFound };

    // What a registration change gave: on failure, a localized description of the reason.
    struct Result {
        bool ok = true;
        QString errorDescription;
    };

    virtual ~LoginItemService() = default;

    // Each returns ok = false with a description when the system refused; nothing has changed then.
    virtual Result registerApp() = 0;
    virtual Result unregisterApp() = 0;
    // NotFound when the state cannot be read.
    virtual Status status() const = 0;
};
