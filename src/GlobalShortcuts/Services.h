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

// The platform services the module works through. Whoever chooses the backend (the process entry, the
// simulator, a test) installs them before the first name is made; the module keeps no other link to the
// platform.
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

// Installs the services and starts the module afresh: no handlers, no hot keys, no hot-key centre, no
// recorder recording, enabled and not paused.
void install(const Services& services);
const Services& services();
// Creates the shared hot-key centre on the next turn of the main thread, once per installation.
void createHotKeyCenterSoon();

} // namespace GlobalShortcuts
