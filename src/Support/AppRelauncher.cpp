#include "Support/AppRelauncher.h"

#include "Platform/ApplicationLifecycle.h"
#include "Platform/BundleInfo.h"
#include "Platform/Processes.h"

namespace AppRelauncher {

QStringList arguments(const QString& bundlePath, const QString& launchCommand)
{
    return { QStringLiteral("-c"), QStringLiteral("sleep 1; %1 \"$1\"").arg(launchCommand),
        QStringLiteral("drimocopy-relaunch"), bundlePath };
}

void relaunch(const QString& bundlePath, Processes& processes, const BundleInfo& bundle,
    ApplicationLifecycle& lifecycle)
{
    // A shell that cannot start leaves nothing to wait for; quitting anyway is what the user asked.
    // Detached: a child of ours would be stopped by our own exit, during its sleep.
    processes.startDetached(QString::fromLatin1(shell), arguments(bundlePath, bundle.launchCommand()));
    lifecycle.terminate();
}

} // namespace AppRelauncher
