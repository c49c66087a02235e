#include "App/AppController.h"

#include "App/MenuContent.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/PasteboardCapture.h"
#include "Clipboard/Paster.h"
#include "Foundation/ImageReading.h"
#include "Foundation/Localization.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "Platform/Accessibility.h"
#include "Platform/Alerts.h"
#include "Platform/ApplicationLifecycle.h"
#include "Platform/BundleInfo.h"
#include "Platform/Pasteboard.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaultsStore.h"
#include "Platform/Workspace.h"
#include "Screenshots/ScreenCapture.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "Support/AppRelauncher.h"
#include "Support/CaretLocator.h"
#include "Support/Permissions.h"
#include "Views/OnboardingView.h"
#include "Views/SettingsView.h"

#include <QImage>
#include <QPointer>
#include <functional>
#include <utility>

namespace {

// Background update checks start once per process, however many controllers a process makes.
bool updateChecksStarted = false;

QString historyDirectory(const StandardPaths& paths)
{
    return paths.applicationSupport() + QStringLiteral("/com.drimo.copy/History");
}

} // namespace

// Shared with the pending wait, so that replacing the watch reaches whichever wait is current.
struct AppController::PermissionWatch {
    bool cancelled = false;
    TaskHandle wait;
};

AppController::AppController(const Platform& platform, QObject* parent, HistorySaver::Mode saving)
    : QObject(parent)
    , m_platform(platform)
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
    , m_windows(platform.workspace)
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
    installShortcutServices();
}

AppController::~AppController()
{
    // The shortcut module must not outlive the platform it was given.
    GlobalShortcuts::install({});
    if (m_watch) {
        m_watch->cancelled = true;
        m_watch->wait.cancel();
    }
}

namespace {
AppController* sharedController = nullptr;
}

AppController& AppController::makeShared(const Platform& platform)
{
    // Lives to the end of the process, like the services it holds.
    if (!sharedController)
        sharedController = new AppController(platform, nullptr, HistorySaver::Mode::Background);
    return *sharedController;
}

AppController* AppController::shared()
{
    return sharedController;
}

bool AppController::isRunningTests()
{
    static const bool runningTests = qEnvironmentVariableIsSet("XCTestConfigurationFilePath")
        || qEnvironmentVariableIsSet("DRIMO_TEST_HOST");
    return runningTests;
}

void AppController::start()
{
    m_history.apply(m_settings.historyLimit());
    auto monitor = std::make_unique<ClipboardMonitor>(
        m_history, m_settings, m_platform.pasteboard, m_platform.workspace, m_platform.scheduler);
    monitor->start();
    m_monitor = std::move(monitor);
    installHoldCallbacks();
    applyHoldKeys();
    startBackgroundUpdateChecks();
    registerScreenshotShortcut();
    if (!m_accessibilityGranted) {
        showOnboarding();
        watchPermissions();
    }
}

void AppController::installHoldCallbacks()
{
    QPointer<AppController> self(this);
    m_holdMonitor.holdDelay = [self] { return self ? self->m_settings.holdDelay() : 0.6; };
    m_holdMonitor.isEnabled = [self](HoldMonitor::Key key) {
        if (!self)
            return false;
        return key == HoldMonitor::Key::Copy ? self->m_settings.holdToScreenshot()
                                             : self->m_settings.holdToPaste();
    };
    m_holdMonitor.onHold = [self](HoldMonitor::Key key) {
        if (!self)
            return;
        Q_EMIT self->holdFired(key);
        if (key == HoldMonitor::Key::Copy)
            self->takeScreenshot();
        else
            self->showHistory();
    };
    m_holdMonitor.pickerIsOpen = [self] { return self && self->m_picker.isOpen(); };
    connect(&m_picker, &HistoryPanel::openChanged, this, [this] {
        m_holdMonitor.pickerVisibilityChanged();
        // Before the chosen entry's paste is posted, the keys must go where they went before the picker.
        if (!m_picker.isOpen() && m_focusBeforePicker != 0)
            m_platform.workspace.restoreKeyboardFocus(std::exchange(m_focusBeforePicker, 0));
    });
    m_holdMonitor.onTapLost = [self] {
        // Refused now although it was granted at start: as with a failed start, only a new process helps.
        if (!self)
            return;
        self->setNeedsRestart(true);
        self->showOnboarding();
    };
    m_holdMonitor.onPasteInPicker = [self] {
        if (self)
            self->m_picker.chooseSelected();
    };
}

void AppController::applyHoldKeys()
{
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
    QPointer<AppController> self(this);
    if (!m_picker.isOpen()) {
        m_focusBeforePicker = m_platform.workspace.keyboardFocus();
        m_frontBeforePicker = m_platform.workspace.frontmostApplication();
    }
    m_picker.show(
        m_history.items(),
        [self](const ClipboardItem& item) { return self ? self->thumbnailFor(item) : std::nullopt; },
        [self](const ClipboardItem& item) {
            if (self)
                self->paste(item);
        },
        [self](const ClipboardItem& item) {
            if (self)
                self->m_history.remove(item);
        });
    if (m_picker.window())
        m_platform.workspace.lendKeyboard(m_picker.window()->windowHandle());
}

std::optional<QImage> AppController::thumbnailFor(const ClipboardItem& item) const
{
    // A thumbnail is at most 96 pixels a side; anything much bigger in its place is not one of ours.
    const auto png
        = RegularFile::bytes(m_history.entryFolder(item) + QStringLiteral("/thumb.png"), 4 * 1024 * 1024);
    if (!png)
        return std::nullopt;
    const QImage image
        = ImageReading::read(*png, { .maximumSide = PasteboardCapture::thumbnailMaxPixelSize });
    if (image.isNull())
        return std::nullopt;
    return image;
}

void AppController::paste(const ClipboardItem& item)
{
    const auto changeCount = Paster::write(item, m_history, m_platform.pasteboard);
    if (!changeCount)
        return;
    if (m_monitor)
        m_monitor->setLastChangeCount(*changeCount);
    m_history.touch(item);
    if (!m_accessibilityGranted)
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

void AppController::watchPermissions()
{
    if (m_watch) {
        m_watch->cancelled = true;
        m_watch->wait.cancel();
    }
    m_watch = std::make_shared<PermissionWatch>();
    schedulePermissionCheck(m_watch);
}

void AppController::schedulePermissionCheck(const std::shared_ptr<PermissionWatch>& watch)
{
    QPointer<AppController> self(this);
    watch->wait = m_platform.scheduler.after(permissionPollInterval, [self, watch](bool) {
        if (watch->cancelled || !self)
            return;
        if (!self->m_platform.accessibility.isProcessTrusted()) {
            self->schedulePermissionCheck(watch);
            return;
        }
        self->setAccessibilityGranted(true);
        self->applyHoldKeys();
        if (self->m_needsRestart)
            return;
        watch->wait = self->m_platform.scheduler.after(onboardingCloseDelay, [self](bool) {
            if (self)
                self->m_windows.close(onboardingKey);
        });
        self->m_permissionWatch = watch->wait;
    });
    m_permissionWatch = watch->wait;
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
    m_windows.present(
        onboardingKey, Localization::text("Drimo Copy"), [this] { return makeOnboardingContent(); });
}

QWidget* AppController::makeOnboardingContent()
{
    auto* view = new OnboardingView(m_platform.family);
    view->setAccessibilityGranted(m_accessibilityGranted);
    view->setNeedsRestart(m_needsRestart);
    view->setGrantInstructions(m_platform.accessibility.grantInstructions());
    connect(this, &AppController::accessibilityGrantedChanged, view,
        [this, view] { view->setAccessibilityGranted(m_accessibilityGranted); });
    connect(this, &AppController::needsRestartChanged, view,
        [this, view] { view->setNeedsRestart(m_needsRestart); });
    QPointer<AppController> self(this);
    view->onOpenSettings = [self] {
        if (self)
            self->requestAccessibility();
    };
    view->onRestart = [self] {
        if (self)
            self->relaunch();
    };
    return view;
}

void AppController::showSettings()
{
    auto* window = m_windows.present(
        settingsKey, Localization::text("Настройки Drimo Copy"), [this] { return makeSettingsContent(); });
    // Asking again is looking again: a permission granted meanwhile announces nothing.
    if (auto* view = window->findChild<SettingsView*>())
        view->refresh();
}

QWidget* AppController::makeSettingsContent()
{
    auto* view = new SettingsView(m_settings,
        { .family = m_platform.family,
            .paths = m_platform.paths,
            .loginItems = m_platform.loginItems,
            .log = m_platform.log,
            .screenAccess = m_platform.screenAccess,
            .bundle = m_platform.bundle });
    view->recorder()->setObjectName(screenshotRecorderName);
    view->setAccessibilityGranted(m_accessibilityGranted);
    connect(this, &AppController::accessibilityGrantedChanged, view,
        [this, view] { view->setAccessibilityGranted(m_accessibilityGranted); });
    QPointer<AppController> self(this);
    view->onHistoryLimitChanged = [self](HistoryLimit limit) {
        if (self)
            self->m_history.apply(limit);
    };
    const auto call = [self](void (AppController::*operation)()) {
        return [self, operation] {
            if (self)
                std::invoke(operation, self.data());
        };
    };
    view->onHoldKeysChanged = call(&AppController::applyHoldKeys);
    view->onClearHistory = call(&AppController::confirmClearHistory);
    view->onChooseFolder = call(&AppController::chooseScreenshotFolder);
    view->onOpenScreenRecordingSettings = [self] {
        if (self)
            ScreenCapture::openSettings(self->m_platform);
    };
    view->onGrantAccessibility = call(&AppController::showOnboarding);
    view->onCheckForUpdates = call(&AppController::checkForUpdates);
    return view;
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

void AppController::startBackgroundUpdateChecks()
{
    if (updateChecksStarted || isRunningTests())
        return;
    updateChecksStarted = true;
    m_updates.startBackgroundChecks();
}

void AppController::registerScreenshotShortcut()
{
    QPointer<AppController> self(this);
    GlobalShortcuts::onKeyUp(ScreenshotShortcut::name(), [self] {
        if (self)
            self->takeScreenshot();
    });
}

void AppController::installShortcutServices()
{
    GlobalShortcuts::Services services;
    services.defaults = &m_platform.defaults;
    services.hotKeys = &m_platform.hotKeys;
    services.scheduler = &m_platform.scheduler;
    services.alerts = &m_platform.alerts;
    services.family = m_platform.family;
    // A recorded shortcut must not take a key equivalent of the menu-bar menu.
    QPointer<AppController> self(this);
    services.applicationMenu = [self] {
        std::vector<GlobalShortcuts::MenuItem> items;
        if (!self)
            return items;
        const MenuContent menu(*self);
        for (const auto& row : menu.rows())
            if (row.isClickable())
                items.push_back({ row.text, row.shortcut, {} });
        return items;
    };
    GlobalShortcuts::install(services);
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
