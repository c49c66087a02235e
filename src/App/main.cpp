#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Foundation/EventLoopScheduler.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/StandardPathsDesktop.h"
#include "Platform/Desktop/UserDefaultsStoreDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Support/AppSettings.h"

#include <QApplication>
#include <QClipboard>

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

    AppSettings settings(defaults);
    ClipboardHistory history(paths.applicationSupport() + QStringLiteral("/com.drimo.copy/History"), scheduler);
    history.apply(settings.historyLimit());
    ClipboardMonitor monitor(history, settings, pasteboard, workspace, scheduler);
    monitor.start();

    std::fprintf(stderr, "Drimo Copy records the clipboard into %s\n", qPrintable(history.directory()));
    return app.exec();
}
