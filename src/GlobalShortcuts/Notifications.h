#pragma once

#include "GlobalShortcuts/Name.h"

#include <QObject>

namespace GlobalShortcuts {

// The module's announcements; each Module has its own.
class Notifications final : public QObject {
    Q_OBJECT
Q_SIGNALS:
    // "GlobalShortcuts_shortcutByNameDidChange": the binding of the name changed.
    void shortcutByNameDidChange(const GlobalShortcuts::Name& name);
    // "GlobalShortcuts_recorderActiveStatusDidChange": a recorder started or stopped recording.
    void recorderActiveStatusDidChange(bool isActive);
};

} // namespace GlobalShortcuts
