// Renders the settings window to PNG files, for looking at the form without a desktop: as first seen
// (nothing granted, every default) and with every row in its other state (holds off, saving off, a long
// folder, permissions granted, a recorded shortcut).  settings-preview OUTPUT_FOLDER [dark]
#include "App/AppController.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Shortcut.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "Platform/KeyEvent.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "SimulatedWorld.h"
#include "Views/SettingsView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QPalette darkPalette()
{
    QPalette dark;
    const QColor text(236, 236, 240);
    const QColor dimmed(120, 120, 126);
    dark.setColor(QPalette::Window, QColor(40, 40, 44));
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, QColor(30, 30, 33));
    dark.setColor(QPalette::AlternateBase, QColor(46, 46, 50));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(62, 62, 67));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(10, 132, 255));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(152, 152, 158));
    dark.setColor(QPalette::Light, QColor(72, 72, 78));
    dark.setColor(QPalette::Midlight, QColor(60, 60, 66));
    dark.setColor(QPalette::Mid, QColor(48, 48, 52));
    dark.setColor(QPalette::Dark, QColor(24, 24, 26));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        dark.setColor(QPalette::Disabled, role, dimmed);
    return dark;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: settings-preview OUTPUT_FOLDER [dark]\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const bool dark = argc > 2 && QString::fromLocal8Bit(argv[2]) == u"dark";
    if (dark) {
        QApplication::setPalette(darkPalette());
    } else {
        auto light = QApplication::palette();
        light.setColor(QPalette::Highlight, QColor(0, 122, 255));
        QApplication::setPalette(light);
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "settings-preview: cannot create %s\n", argv[1]);
        return 1;
    }

    QTemporaryDir home;
    SimulatedWorld world(home.path());
    world.accessibility.setTrusted(false);
    AppController controller(world.platform());
    controller.start();
    bool ok = true;
    const auto shot = [&](const QString& name) {
        controller.showSettings();
        QApplication::processEvents();
        const auto path
            = folder.filePath(name + (dark ? QStringLiteral("-dark.png") : QStringLiteral(".png")));
        ok = controller.windows().window(AppController::settingsKey)->grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
    };
    shot(QStringLiteral("settings-first"));

    auto& settings = controller.settings();
    settings.setHoldToPaste(false);
    settings.setHoldToScreenshot(false);
    settings.setHoldDelay(2);
    settings.setPaused(true);
    settings.setScreenshotSave(false);
    settings.setScreenshotSound(true);
    settings.setHistoryLimit(HistoryLimit::All);
    settings.setScreenshotFolder(world.paths.home()
        + QStringLiteral("/Документы/Работа/Проекты 2026/Скриншоты для отчёта о квартальных результатах"));
    world.screenAccess.setGranted(true);
    // Read from the service only when the window is made and when its switch is used, as a user would.
    controller.windows()
        .window(AppController::settingsKey)
        ->findChild<SettingsView*>()
        ->row(QStringLiteral("Запускать при входе в систему"))
        ->toggle->click();
    GlobalShortcuts::setShortcut(
        GlobalShortcuts::Shortcut::from(GlobalShortcuts::Key::s, EventFlags::command | EventFlags::shift),
        ScreenshotShortcut::name());
    world.accessibility.setTrusted(true);
    world.scheduler.advance(1.5);
    shot(QStringLiteral("settings-changed"));
    return ok ? 0 : 1;
}
