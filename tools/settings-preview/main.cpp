// Renders the settings window to PNG files, for looking at the form without a desktop: as first seen
// (nothing granted, every default) and with every row in its other state (holds off, saving off, a long
// folder, permissions granted, a recorded shortcut), and the menu-bar menu beside it. With `linux` as a
// Linux desktop shows them.  settings-preview OUTPUT_FOLDER [dark] [linux]
#include "App/AppController.h"
#include "App/MenuBarItem.h"
#include "App/MenuContent.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Shortcut.h"
#include "Platform/KeyEvent.h"
#include "PreviewSession.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "SimulatedWorld.h"
#include "Views/SettingsView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    PreviewSession::preferOffscreen();
    QApplication app(argc, argv);
    PreviewSession session(
        QStringLiteral("settings-preview"), QApplication::arguments(), QStringLiteral("[linux]"));
    if (const int failed = session.start())
        return failed;

    QTemporaryDir home;
    SimulatedWorld world(home.path());
    world.accessibility.setTrusted(false);
    Platform platform = world.platform();
    const bool onLinux = QApplication::arguments().contains(QStringLiteral("linux"));
    if (onLinux)
        platform.family = SystemFamily::Linux;
    const QString suffix = onLinux ? QStringLiteral("-linux") : QString();
    AppController controller(platform);
    controller.start();
    bool ok = true;

    MenuContent content(controller);
    MenuBarItem menuBar(content);
    menuBar.menu()->adjustSize();
    const auto menuPath = session.picturePath(QStringLiteral("menu") + suffix);
    ok = menuBar.menu()->grab().save(menuPath, "PNG") && ok;
    std::printf("%s\n", qPrintable(menuPath));

    const auto shot = [&](const QString& name) {
        controller.showSettings();
        QApplication::processEvents();
        const auto path = session.picturePath(name + suffix);
        ok = controller.windows().window(AppWindows::settingsKey)->grab().save(path, "PNG") && ok;
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
        .window(AppWindows::settingsKey)
        ->findChild<SettingsView*>()
        ->row(SettingsView::RowId::LaunchAtLogin)
        ->toggle->click();
    controller.shortcuts().storage().setShortcut(
        GlobalShortcuts::Shortcut::from(GlobalShortcuts::Key::s, EventFlags::command | EventFlags::shift),
        ScreenshotShortcut::name());
    world.accessibility.setTrusted(true);
    world.scheduler.advance(1.5);
    shot(QStringLiteral("settings-changed"));
    return ok ? 0 : 1;
}
