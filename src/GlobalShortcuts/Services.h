#pragma once

#include "GlobalShortcuts/MenuItem.h"
#include "Platform/SystemFamily.h"

#include <functional>
#include <vector>

class Alerts;
class HotKeyService;
class Scheduler;
class UserDefaultsStore;

namespace GlobalShortcuts {

// The platform services the module works through, given to its Module by whoever chooses the backend (the
// application controller, the simulator, a test); the module keeps no other link to the platform.
struct Services final {
    UserDefaultsStore* defaults = nullptr;
    HotKeyService* hotKeys = nullptr;
    Scheduler* scheduler = nullptr;
    Alerts* alerts = nullptr;
    // The application's menus, whose key equivalents a recorded shortcut must not take.
    std::function<std::vector<MenuItem>()> applicationMenu = [] { return std::vector<MenuItem> {}; };
    // Whether the system refuses hot keys whose only modifiers are Option, or Option and Shift. No system
    // this program runs on does today.
    std::function<bool()> optionShortcutsDisallowed = [] { return false; };
    // The desktop whose way of writing keys the recorder follows.
    SystemFamily family = SystemFamily::MacOS;
};

} // namespace GlobalShortcuts
