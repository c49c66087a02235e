#include "App/AppController.h"

#include "App/MenuContent.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/Paster.h"
#include "Foundation/Localization.h"
#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/KeyNotation.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "Platform/Accessibility.h"
#include "Platform/Alerts.h"
#include "Platform/ApplicationLifecycle.h"
#include "Platform/BundleInfo.h"
#include "Platform/KeyboardEvents.h"
#include "Platform/Pasteboard.h"
#include "Platform/StandardPaths.h"
#include "Platform/Workspace.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "Support/AppRelauncher.h"
#include "Support/CaretLocator.h"
#include "Support/Permissions.h"

#include <utility>

namespace {

QString historyDirectory(const StandardPaths& paths)
{
    return paths.applicationSupport() + QStringLiteral("/com.drimo.copy/History");
}

} // namespace

AppController::AppController(const Platform& platform, QObject* parent, HistorySaver::Mode saving)
    : QObject(parent)
    , m_platform(platform)
    // The module is the controller's own: it never asks for the menu once the controller is gone.
    , m_shortcuts({ .defaults = &platform.defaults,
          .hotKeys = &platform.hotKeys,
          .scheduler = &platform.scheduler,
          .alerts = &platform.alerts,
          .applicationMenu = [this] { return MenuContent(*this).keyEquivalents(); },
          .family = platform.family })
    , m_settings(platform.defaults)
    , m_history(historyDirectory(platform.paths), platform.scheduler, nullptr, saving)
    , m_accessibilityGranted(platform.accessibility.isProcessTrusted())
    , m_holdMonitor(platform.keyboard, platform.scheduler)
    , m_picker(
          platform.screens,
          [platform] {
              return CaretLocator::caretRect(platform.accessibility, platform.workspace, platform.screens,
                  platform.bundle.processIdentifier());
          },
          [&scheduler = platform.scheduler] { return scheduler.currentDate(); }, platform.family)
    , m_permissionWatch(platform.accessibility, platform.scheduler)
    , m_windows(*this)
    , m_screenshots(
          platform, m_settings,
          [this] {
              if (m_picker.isOpen())
                  m_picker.close();
          },
          [this] { relaunch(); })
    , m_updates(platform, UpdateChecker::defaultBaseUrl())
{
    connect(&m_screenshots, &ScreenshotFlow::capturingChanged, this, &AppController::capturingChanged);
    connect(&m_screenshots, &ScreenshotFlow::captureEnded, this, &AppController::captureEnded);
    connect(
        &m_screenshots, &ScreenshotFlow::screenshotFileWritten, this, &AppController::screenshotFileWritten);
}

AppController::~AppController() = default;

void AppController::start()
{
    m_history.apply(m_settings.historyLimit());
    auto monitor = std::make_unique<ClipboardMonitor>(
        m_history, m_settings, m_platform.pasteboard, m_platform.workspace, m_platform.scheduler);
    monitor->start();
    m_monitor = std::move(monitor);
    installHoldCallbacks();
    applyHoldKeys();
    m_updates.startBackgroundChecks();
    m_shortcuts.registry().onKeyUp(ScreenshotShortcut::name(), [this] { takeScreenshot(); });
    if (!m_accessibilityGranted) {
        showOnboarding();
        m_permissionWatch.start([this] { permissionGranted(); });
    }
}

void AppController::permissionGranted()
{
    setAccessibilityGranted(true);
    applyHoldKeys();
    if (!m_needsRestart)
        m_windows.closeOnboardingSoon();
}

// The hold monitor and the picker are the controller's own: neither calls back once the controller is gone.
void AppController::installHoldCallbacks()
{
    m_holdMonitor.holdDelay = [this] { return m_settings.holdDelay(); };
    m_holdMonitor.isEnabled = [this](HoldMonitor::Key key) {
        return key == HoldMonitor::Key::Copy ? m_settings.holdToScreenshot() : m_settings.holdToPaste();
    };
    m_holdMonitor.onHold = [this](HoldMonitor::Key key) {
        Q_EMIT holdFired(key);
        if (key == HoldMonitor::Key::Copy)
            takeScreenshot();
        else
            showHistory();
    };
    connect(&m_picker, &HistoryPanel::openChanged, this, [this] {
        m_holdMonitor.setPickerOpen(m_picker.isOpen());
        // Before the chosen entry's paste is posted, the keys must go where they went before the picker.
        if (!m_picker.isOpen() && m_focusBeforePicker != 0)
            m_platform.workspace.restoreKeyboardFocus(std::exchange(m_focusBeforePicker, 0));
    });
    m_holdMonitor.onTapLost = [this] {
        // Refused now although it was granted at start: as with a failed start, only a new process helps.
        setNeedsRestart(true);
        showOnboarding();
    };
    m_holdMonitor.onPasteInPicker = [this] { m_picker.chooseSelected(); };
}

void AppController::applyHoldKeys()
{
    // A session without a tap has no hold gestures at all; that is no lost permission to tell about.
    if (!m_platform.keyboard.offersTap())
        return;
    if ((m_settings.holdToPaste() || m_settings.holdToScreenshot()) && m_accessibilityGranted) {
        if (m_holdMonitor.start())
            return;
        // The permission is reported, yet the system refused the tap: only a new process gets it.
        setNeedsRestart(true);
        showOnboarding();
        return;
    }
    m_holdMonitor.stop();
}

void AppController::showHistory()
{
    if (!m_picker.isOpen()) {
        m_focusBeforePicker = m_platform.workspace.keyboardFocus();
        m_frontBeforePicker = m_platform.workspace.frontmostApplication();
    }
    // Where nothing can type the paste, the picker says once that the entry waits on the clipboard.
    m_picker.setNotice(m_platform.keyboard.offersPosting() || std::exchange(m_toldPasteByHand, true)
            ? QString()
            : Localization::format("Выбранное окажется в буфере обмена — вставьте его сами: %@",
                { GlobalShortcuts::KeyNotation::commandWith(m_platform.family, QStringLiteral("V")) }));
    m_picker.show(
        m_history.items(), [this](const ClipboardItem& item) { return m_history.thumbnail(item); },
        [this](const ClipboardItem& item) { paste(item); },
        [this](const ClipboardItem& item) { m_history.remove(item); });
    if (m_picker.window())
        m_platform.workspace.lendKeyboard(m_picker.window()->windowHandle());
}

void AppController::paste(const ClipboardItem& item)
{
    const auto changeCount = Paster::write(item, m_history, m_platform.pasteboard);
    if (!changeCount)
        return;
    if (m_monitor)
        m_monitor->setLastChangeCount(*changeCount);
    m_history.touch(item);
    if (!m_accessibilityGranted || !m_platform.keyboard.offersPosting())
        return;
    // The application the picker was opened over decides the chord.
    const auto front
        = m_frontBeforePicker ? m_frontBeforePicker : m_platform.workspace.frontmostApplication();
    const auto chord = Paster::pasteChord(front ? front->bundleIdentifier : std::nullopt);
    if (chord.fromPrimarySelection)
        m_platform.pasteboard.offerAsPrimarySelection();
    // The keyboard service outlives the controller, and an interrupted wait still pastes: the user chose.
    m_platform.scheduler.after(
        pasteDelay, [&keyboard = m_platform.keyboard, chord](bool) { Paster::press(chord, keyboard); });
}

void AppController::confirmClearHistory()
{
    Alerts::Alert alert;
    alert.style = Alerts::Style::Warning;
    alert.message = Localization::text("Очистить историю?");
    alert.informativeText = m_platform.family == SystemFamily::MacOS
        ? Localization::text("Все сохранённые записи будут удалены с этого Mac.")
        : Localization::text("Все сохранённые записи будут удалены с этого компьютера.");
    alert.buttons = { Localization::text("Очистить"), Localization::text("Отмена") };
    if (m_platform.alerts.run(alert) == alert.buttons.first())
        m_history.clear();
}

void AppController::showOnboarding()
{
    m_windows.showOnboarding();
}

void AppController::showSettings()
{
    m_windows.showSettings();
}

void AppController::chooseScreenshotFolder()
{
    m_platform.workspace.activateSelf();
    const auto chosen = m_platform.alerts.chooseFolder(
        Localization::text("Выбрать"), m_settings.screenshotFolderPath(m_platform.paths));
    if (chosen && !chosen->isEmpty())
        m_settings.setScreenshotFolder(*chosen);
}

void AppController::checkForUpdates()
{
    m_updates.checkNow();
}

void AppController::requestAccessibility()
{
    Permissions::requestAccessibility(m_platform.accessibility, m_platform.workspace);
}

void AppController::relaunch()
{
    AppRelauncher::relaunch(
        m_platform.bundle.bundlePath(), m_platform.processes, m_platform.bundle, m_platform.lifecycle);
}

void AppController::quit()
{
    m_platform.lifecycle.terminate();
}

void AppController::setAccessibilityGranted(bool granted)
{
    if (m_accessibilityGranted == granted)
        return;
    m_accessibilityGranted = granted;
    Q_EMIT accessibilityGrantedChanged();
}

void AppController::setNeedsRestart(bool needsRestart)
{
    if (m_needsRestart == needsRestart)
        return;
    m_needsRestart = needsRestart;
    Q_EMIT needsRestartChanged();
}
