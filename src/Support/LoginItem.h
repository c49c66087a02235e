#pragma once

class LoginItemService;
class SystemLog;

// Launching at login, for the application itself.
namespace LoginItem {

// Registers (enabled) or unregisters the application. A refusal is only logged: the settings window
// reads the real state back afterwards.
void set(bool enabled, LoginItemService& service, SystemLog& log);

// Whether the application is registered and enabled.
bool isEnabled(const LoginItemService& service);

} // namespace LoginItem
