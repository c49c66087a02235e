#include "GlobalShortcuts/Notifications.h"

namespace GlobalShortcuts {

Notifications& Notifications::shared()
{
    static auto* notifications = new Notifications;
    return *notifications;
}

} // namespace GlobalShortcuts
