#pragma once

#include <QString>
#include <QStringList>

class ApplicationLifecycle;
class BundleInfo;
class Processes;

// Starting a fresh copy of the application and quitting this one, for permissions that only a new
// process receives and for a freshly installed update.
namespace AppRelauncher {

inline constexpr const char* shell = "/bin/sh";

// The shell's arguments: the script, its zeroth parameter and the path as its first, so that a path
// with spaces or quotes reaches the launcher whole and is never parsed as shell text.
QStringList arguments(const QString& bundlePath, const QString& launchCommand);

// Starts a detached shell that waits one second and starts `bundlePath`, then terminates this
// application, also when the shell could not be started.
void relaunch(const QString& bundlePath, Processes& processes, const BundleInfo& bundle,
    ApplicationLifecycle& lifecycle);

} // namespace AppRelauncher
