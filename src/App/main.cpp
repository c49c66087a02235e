#include "App/AppController.h"
#include "App/MenuBarItem.h"
#include "App/MenuContent.h"
#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/ProcessesDesktop.h"
#include "Platform/Desktop/StandardPathsDesktop.h"
#include "Platform/Desktop/UserDefaultsStoreDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Platform/Simulated/AccessibilitySimulated.h"
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/ApplicationLifecycleSimulated.h"
#include "Platform/Simulated/BundleInfoSimulated.h"
#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/LoginItemServiceSimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/SystemLogSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drimo Copy"));
    QApplication::setQuitOnLastWindowClosed(false);

    EventLoopScheduler scheduler;
    StandardPathsDesktop paths;
    UserDefaultsStoreDesktop defaults(paths.configuration() + QStringLiteral("/com.drimo.copy"));
    PasteboardDesktop pasteboard(QApplication::clipboard());
    WorkspaceDesktop workspace;
    ProcessesDesktop processes(scheduler);

    // Services whose desktop backends are still being written run on their stand-ins: no keyboard tap
    // and no accessibility trust (so onboarding explains what is missing), a single default screen,
    // alerts answered by their cancelling button, and the log on standard error.
    WorkspaceSimulated keyboardWorkspace;
    KeyboardEventsSimulated keyboard(keyboardWorkspace);
    keyboard.setTrusted(false);
    AccessibilitySimulated accessibility;
    ScreensSimulated screens;
    AlertsSimulated alerts;
    LoginItemServiceSimulated loginItems;
    SystemLogSimulated log;
    log.onLine = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
    BundleInfoSimulated bundle;
    bundle.setBundlePath(QCoreApplication::applicationFilePath());
    bundle.setShortVersion(QStringLiteral(DRIMO_VERSION));
    ApplicationLifecycleSimulated lifecycle;
    lifecycle.onTerminate = [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };

    const Platform platform { scheduler, pasteboard, workspace, keyboard, paths, defaults, screens,
        accessibility, processes, alerts, loginItems, log, bundle, lifecycle };
    auto& controller = AppController::makeShared(platform);
    MenuContent menu(controller);
    MenuBarItem menuBar(menu);
    menuBar.show();
    if (!AppController::isRunningTests())
        controller.start();

    std::fprintf(
        stderr, "Drimo Copy records the clipboard into %s\n", qPrintable(controller.history().directory()));
    return app.exec();
}
