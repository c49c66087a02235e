#pragma once

#include <QString>

namespace GlobalShortcuts {

// A caller's verdict on a recorded shortcut: allowed, or refused for a reason shown to the user.
struct ValidationResult final {
    bool allowed = true;
    QString reason;

    static ValidationResult allow() { return {}; }
    static ValidationResult disallow(QString reason) { return { false, std::move(reason) }; }
};

} // namespace GlobalShortcuts
