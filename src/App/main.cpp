#include "App/AppController.h"
#include "App/InstanceLock.h"
#include "App/MenuBarItem.h"
#include "App/MenuContent.h"
#include "App/SingleInstance.h"
#include "Foundation/ImageReading.h"
#include "Platform/Desktop/DesktopPlatform.h"
#include "Platform/Desktop/StandardPathsDesktop.h"
#include "Platform/HotKeyService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSslCertificate>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void say(const char* line)
{
    std::fprintf(stderr, "Drimo Copy: %s\n", line);
}

const char* handedOver(SingleInstance::Request request)
{
    switch (request) {
    case SingleInstance::Request::ShowHistory:
        return "already running; it shows its history";
    case SingleInstance::Request::TakeScreenshot:
        return "already running; it takes the screenshot";
    case SingleInstance::Request::ShowSettings:
        break;
    }
    return "already running; its settings window is shown instead";
}

void perform(AppController& controller, SingleInstance::Request request)
{
    switch (request) {
    case SingleInstance::Request::ShowSettings:
        return controller.showSettings();
    case SingleInstance::Request::ShowHistory:
        return controller.showHistory();
    case SingleInstance::Request::TakeScreenshot:
        return controller.takeScreenshot();
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before anything needs a display: from a terminal, a script or a package check.
    auto request = SingleInstance::Request::ShowSettings;
    bool requested = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("drimo-copy %s\n", DRIMO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "Usage: drimo-copy [--show-history | --take-screenshot] [--help] [--version]\n"
                "Clipboard history and screenshots in the system tray; see drimo-copy(1).\n"
                "  --show-history     open the history picker of the running program\n"
                "  --take-screenshot  make the running program take an area screenshot\n"
                "Without either, a second start opens the running program's settings. Bind these\n"
                "to keys in the desktop's shortcut settings where holding Ctrl+V is not available.\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--show-history") == 0 || std::strcmp(argv[i], "--take-screenshot") == 0) {
            request = argv[i][2] == 's' ? SingleInstance::Request::ShowHistory
                                        : SingleInstance::Request::TakeScreenshot;
            requested = true;
        }
    }
    // Standard output and error are whatever the first start was given, and a relaunched program inherits
    // them: when nobody reads them any more, a log line must fail quietly, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    ImageReading::silenceDecoderMessages();
    // Qt is told on its command line, so that the programs this one starts choose for themselves.
    std::vector<char*> qtArguments(argv, argv + argc);
    QByteArray platformOption("-platform");
    QByteArray qtPlatform = DesktopPlatform::requiredQtPlatform().value_or(QByteArray());
    if (!qtPlatform.isEmpty())
        qtArguments.insert(qtArguments.begin() + 1, { platformOption.data(), qtPlatform.data() });
    int qtArgumentCount = int(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgumentCount, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("Drimo Copy"));
    QApplication::setApplicationVersion(QStringLiteral(DRIMO_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    StandardPathsDesktop paths;
    // One running program per history: two would each record into it and lose each other's entries.
    const QString dataFolder = paths.applicationSupport() + QStringLiteral("/com.drimo.copy");
    InstanceLock lock(dataFolder);
    const InstanceLock::Outcome locked = lock.acquire();
    // Only the program recording this history ever answers here: one with another history keeps to itself.
    SingleInstance instance(SingleInstance::socketPath(paths.temporary(), dataFolder));
    if (locked == InstanceLock::Outcome::HeldElsewhere) {
        // The program holding it may still be starting, before it listens.
        QElapsedTimer waited;
        waited.start();
        do {
            if (instance.askRunning(request, std::max<int>(100, 1000 - int(waited.elapsed())))) {
                say(handedOver(request));
                return 0;
            }
            QThread::msleep(100);
        } while (waited.elapsed() < 1000);
        say("already running with this history, and not answering: this start ends and records nothing");
        return 1;
    }
    if (locked == InstanceLock::Outcome::Unavailable) {
        // Without the lock to go by, a program answering on this history's socket is the one recording it.
        if (instance.askRunning(request)) {
            say(handedOver(request));
            return 0;
        }
        std::fprintf(stderr,
            "Drimo Copy: the history cannot be locked (%s); a second start will not notice this one\n",
            qPrintable(lock.errorString()));
    }
    if (!instance.listen())
        std::fprintf(stderr, "Drimo Copy: a second start cannot reach this one (%s)\n",
            qPrintable(instance.errorString()));

    QByteArray releaseKey = CodeSigningDesktop::builtInKey();
#ifdef DRIMO_TEST_HOOKS
    // The tests sign their releases with a key of their own.
    if (const QByteArray key = qgetenv("DRIMO_TEST_UPDATE_PUBLIC_KEY"); !key.isEmpty())
        releaseKey = QByteArray::fromHex(key);
#endif
    DesktopPlatform desktop(paths, QStringLiteral(DRIMO_VERSION), releaseKey);
    if (const QString summary = desktop.summary(); !summary.isEmpty())
        say(qPrintable(summary));
    const Platform platform = desktop.platform();
    HotKeyService* const hotKeys = &platform.hotKeys;
    AppController controller(platform, nullptr, HistorySaver::Mode::Background);
#ifdef DRIMO_TEST_HOOKS
    // The tests' own update server: a local origin and the certificate it was given.
    if (const QString base = qEnvironmentVariable("DRIMO_TEST_UPDATE_BASE"); !base.isEmpty())
        controller.updates().setBaseUrl(QUrl(base));
    if (const QString ca = qEnvironmentVariable("DRIMO_TEST_CA_FILE"); !ca.isEmpty())
        desktop.http().addTrustedCertificates(QSslCertificate::fromPath(ca));
#endif
    instance.onRequest = [&controller](SingleInstance::Request request) { perform(controller, request); };
    desktop.bindCommands([&controller](DesktopPlatform::Command command) {
        perform(controller,
            command == DesktopPlatform::Command::ShowHistory ? SingleInstance::Request::ShowHistory
                                                             : SingleInstance::Request::TakeScreenshot);
    });
    MenuContent menu(controller);
    MenuBarItem menuBar(menu);
    // The open menu holds the keyboard: global shortcuts reach us through it meanwhile.
    QObject::connect(menuBar.menu(), &QMenu::aboutToShow, [hotKeys] { hotKeys->menuTrackingChanged(true); });
    QObject::connect(menuBar.menu(), &QMenu::aboutToHide, [hotKeys] { hotKeys->menuTrackingChanged(false); });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        menuBar.show();
    else
        say("no system tray: the menu is unavailable; start the program again to open its settings");
    controller.start();
    // Bound to a key, the command may be the one that starts the program: it then does what it was asked.
    if (requested)
        QTimer::singleShot(0, &controller, [&controller, request] { perform(controller, request); });

    std::fprintf(stderr,
        desktop.recordsCopies() ? "Drimo Copy records the clipboard into %s\n"
                                : "Drimo Copy keeps its history in %s\n",
        qPrintable(controller.history().directory()));
    return app.exec();
}
