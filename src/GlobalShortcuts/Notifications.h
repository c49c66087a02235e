#pragma once

#include "GlobalShortcuts/Name.h"

#include <QObject>

namespace GlobalShortcuts {

// The module's announcements, on one shared object that lives for the process.
class Notifications final : public QObject {
    Q_OBJECT
public:
    static Notifications& shared();

Q_SIGNALS:
    // "GlobalShortcuts_shortcutByNameDidChange": the binding of the name changed.
    void shortcutByNameDidChange(const GlobalShortcuts::Name& name);
    // "GlobalShortcuts_recorderActiveStatusDidChange": a recorder started or stopped recording.
    void recorderActiveStatusDidChange(bool isActive);
};

} // namespace GlobalShortcuts
