#include "App/AppController.h"

#include "App/MenuContent.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/PasteboardCapture.h"
#include "Clipboard/Paster.h"
#include "Foundation/AtomicFile.h"
#include "Foundation/ImageReading.h"
#include "Foundation/Localization.h"
#include "Foundation/ReferenceDate.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Uuid.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/Accessibility.h"
#include "Platform/Alerts.h"
#include "Platform/ApplicationLifecycle.h"
#include "Platform/BundleInfo.h"
#include "Platform/Pasteboard.h"
#include "Platform/ScreenAccess.h"
#include "Platform/Screens.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaultsStore.h"
#include "Platform/Workspace.h"
#include "Screenshots/ScreenCapture.h"
#include "Screenshots/ScreenshotFiles.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"
#include "Support/AppRelauncher.h"
#include "Support/CaretLocator.h"
#include "Support/Permissions.h"
#include "Views/OnboardingView.h"
#include "Views/SettingsView.h"

#include <QApplication>
#include <QFile>
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
    , m_shortcuts(shortcutServices())
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
    , m_thumbnail(platform.scheduler, platform.screens)
    , m_editor(platform.alerts, platform.screens, platform.workspace)
    , m_updates(platform, UpdateChecker::defaultBaseUrl())
{ }

AppController::~AppController()
{
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
    const auto front = m_frontBeforePicker ? m_frontBeforePicker : m_platform.workspace.frontmostApplication();
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
            .bundle = m_platform.bundle,
            .shortcuts = m_shortcuts });
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

// One screenshot on its way from the capture tool to the screen. A worker thread fills in `saved`, `png`
// and `shot`, then `copyItem`, while the main thread leaves the whole object alone.
struct AppController::Capture {
    QString temporary;
    std::optional<QString> saved;
    QByteArray png;
    double scale = 2;
    std::shared_ptr<Shot> shot;
    std::optional<PasteboardItem> copyItem;
};

void AppController::takeScreenshot()
{
    if (m_capturing)
        return;
    if (!m_platform.screenAccess.preflight()) {
        askForScreenAccess();
        return;
    }
    setCapturing(true);
    m_thumbnail.close();
    if (m_picker.isOpen())
        m_picker.close();
    // The area tool takes the keyboard and the pointer, which a menu of ours holds while it is open: the
    // screenshot shortcut reaches us through the menu, and the menu must go first.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    auto capture = std::make_shared<Capture>();
    capture->temporary = m_platform.paths.temporary() + QStringLiteral("/DrimoCopy-") + Uuid::create()
        + QStringLiteral(".png");
    QPointer<AppController> self(this);
    ScreenCapture::captureArea(capture->temporary, m_settings.screenshotSound(), m_platform.processes,
        m_platform.scheduler, [self, capture](bool ok) {
            if (self)
                self->captured(capture, ok);
            else
                QFile::remove(capture->temporary);
        });
}

void AppController::captured(const std::shared_ptr<Capture>& capture, bool ok)
{
    Q_EMIT captureEnded(ok, capture->temporary);
    if (!ok) {
        setCapturing(false);
        return;
    }
    std::optional<QString> folder;
    if (m_settings.screenshotSave())
        folder = m_settings.screenshotFolderPath(m_platform.paths);
    const QDateTime moment = ReferenceDate::toDateTime(m_platform.scheduler.currentDate());
    const auto screen = m_platform.screens.mainScreen();
    capture->scale = screen ? screen->backingScale : 2;
    // Moving the file (a copy when the folder is on another disk), reading it, decoding it and blurring it
    // take longer than a frame at 5K: done off the main thread, in the order the settings ask for.
    QPointer<AppController> self(this);
    m_platform.scheduler.background(
        [capture, folder, moment] {
            if (folder) {
                try {
                    capture->saved = ScreenshotFiles::move(capture->temporary, *folder, moment);
                } catch (const ScreenshotFiles::Error&) { }
            }
            const auto png
                = RegularFile::bytes(capture->saved.value_or(capture->temporary), maximumCaptureBytes);
            if (!capture->saved)
                QFile::remove(capture->temporary);
            if (!png)
                return;
            capture->png = *png;
            capture->shot = Shot::create(capture->png, capture->saved, capture->scale);
        },
        [self, capture] {
            if (self)
                self->present(capture);
        });
}

void AppController::present(const std::shared_ptr<Capture>& capture)
{
    if (capture->saved)
        Q_EMIT screenshotFileWritten(*capture->saved);
    const bool copy = m_settings.screenshotCopy();
    const auto shot = capture->shot;
    if (!shot) {
        const QSize stated = ImageReading::headerSize(capture->png);
        if (stated.isValid() && !ImageReading::withinBounds(stated)) {
            // A picture, only too large to show: it stays where it was saved and still goes to the
            // pasteboard, so that it is not lost when saving is off.
            if (copy)
                Paster::copyImage(capture->png, m_platform.pasteboard);
        } else if (capture->saved) {
            // An empty or cut-off file from a tool that failed is no screenshot; it must not stay in the
            // user's folder looking like one.
            QFile::remove(*capture->saved);
        }
        setCapturing(false);
        return;
    }
    QPointer<AppController> self(this);
    if (m_settings.screenshotThumbnail()) {
        m_thumbnail.show(shot, [self, shot] {
            if (self)
                self->edit(shot);
        });
    } else if (!capture->saved && !copy) {
        edit(shot);
    }
    if (!copy) {
        setCapturing(false);
        return;
    }
    // The pasteboard's TIFF copy costs more than the shot itself; the thumbnail does not wait for it. What
    // reaches the pasteboard meanwhile (a finished edit, another program's copy) is newer and stays.
    const long long changeCount = m_platform.pasteboard.changeCount();
    m_platform.scheduler.background([capture] { capture->copyItem = Paster::imageItem(capture->png); },
        [self, capture, changeCount] {
            if (!self)
                return;
            if (self->m_platform.pasteboard.changeCount() == changeCount)
                Paster::copyImage(*capture->copyItem, self->m_platform.pasteboard);
            self->setCapturing(false);
        });
}

// One hand-over from an editor window. A worker thread fills in everything below `marks` while the main
// thread leaves the object alone.
struct AppController::Handover {
    EditorModel::Snapshot marks;
    ScreenshotEditor::Settled settled;
    // Where the file goes: over the one the shot was saved to, else into `folder`, else nowhere.
    std::optional<QString> file;
    std::optional<QString> folder;
    QDateTime moment;
    bool rendered = false;
    std::optional<QString> written;
    std::optional<PasteboardItem> copyItem;

    static std::shared_ptr<Handover> make(EditorModel::Snapshot marks, ScreenshotEditor::Settled settled)
    {
        auto made = std::make_shared<Handover>();
        made->marks = std::move(marks);
        made->settled = std::move(settled);
        return made;
    }
};

void AppController::edit(const std::shared_ptr<Shot>& shot)
{
    QPointer<AppController> self(this);
    m_editor.open(
        shot,
        [self](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            if (self)
                self->copyEdited(Handover::make(std::move(marks), std::move(settled)));
        },
        [self, shot](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            if (self)
                self->finishEditing(shot, Handover::make(std::move(marks), std::move(settled)));
        });
}

// Rendering, encoding and the pasteboard's TIFF copy take about a second at 5K: done off the main thread.
// What the user asked for reaches the pasteboard even when something else was copied meanwhile: the press,
// not the end of the work, is the moment of the copy.
void AppController::copyEdited(const std::shared_ptr<Handover>& handover)
{
    QPointer<AppController> self(this);
    m_platform.scheduler.background(
        [handover] {
            const auto image = handover->marks.render();
            const auto png = image ? ShotRenderer::png(*image, handover->marks.shot->scale()) : std::nullopt;
            if (png)
                handover->copyItem = Paster::imageItem(*png);
        },
        [self, handover] {
            if (self && handover->copyItem)
                Paster::copyImage(*handover->copyItem, self->m_platform.pasteboard);
            handover->settled(self && handover->copyItem);
        });
}

void AppController::finishEditing(
    const std::shared_ptr<Shot>& shot, const std::shared_ptr<Handover>& handover)
{
    // One finish at a time: a second finish of the same shot must find the file the first one made, and two
    // new files must not pick the same free name.
    QPointer<AppController> self(this);
    m_finishes.push_back([self, shot, handover] {
        if (!self)
            return;
        if (shot->file()) {
            handover->file = shot->file();
        } else if (self->m_settings.screenshotSave()) {
            handover->folder = self->m_settings.screenshotFolderPath(self->m_platform.paths);
            handover->moment = ReferenceDate::toDateTime(self->m_platform.scheduler.currentDate());
        }
        self->m_platform.scheduler.background([handover] { writeEdited(*handover); },
            [self, shot, handover] {
                if (!self)
                    return;
                self->finishedEditing(shot, *handover);
                self->m_finishes.pop_front();
                if (!self->m_finishes.empty())
                    self->m_finishes.front()();
            });
    });
    if (m_finishes.size() == 1)
        m_finishes.front()();
}

void AppController::writeEdited(Handover& handover)
{
    const auto image = handover.marks.render();
    const auto png = image ? ShotRenderer::png(*image, handover.marks.shot->scale()) : std::nullopt;
    if (!png)
        return;
    handover.rendered = true;
    if (handover.file) {
        if (AtomicFile::write(*handover.file, *png))
            handover.written = handover.file;
    } else if (handover.folder) {
        try {
            handover.written = ScreenshotFiles::write(*png, *handover.folder, handover.moment);
        } catch (const ScreenshotFiles::Error&) { }
    }
    handover.copyItem = Paster::imageItem(*png);
}

void AppController::finishedEditing(const std::shared_ptr<Shot>& shot, const Handover& handover)
{
    if (handover.rendered) {
        if (handover.written) {
            shot->setFile(handover.written);
            Q_EMIT screenshotFileWritten(*handover.written);
        }
        Paster::copyImage(*handover.copyItem, m_platform.pasteboard);
    }
    handover.settled(handover.rendered);
}

void AppController::askForScreenAccess()
{
    if (!m_platform.defaults.boolValue(screenAccessRequestedKey)) {
        m_platform.defaults.set(screenAccessRequestedKey, true);
        m_platform.screenAccess.request();
        return;
    }
    m_platform.workspace.activateSelf();
    Alerts::Alert alert;
    alert.message = Localization::text("Разрешите запись экрана");
    alert.informativeText = Localization::text(
        "Чтобы делать скриншоты, включите Drimo Copy в «Системные настройки → Конфиденциальность и "
        "безопасность → Запись экрана». После этого приложение нужно перезапустить.");
    alert.buttons = { Localization::text("Открыть настройки"), Localization::text("Перезапустить"),
        Localization::text("Позже") };
    const QString answer = m_platform.alerts.run(alert);
    if (answer == alert.buttons[0])
        ScreenCapture::openSettings(m_platform);
    else if (answer == alert.buttons[1])
        relaunch();
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
    m_shortcuts.registry().onKeyUp(ScreenshotShortcut::name(), [self] {
        if (self)
            self->takeScreenshot();
    });
}

GlobalShortcuts::Services AppController::shortcutServices()
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
    return services;
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

void AppController::setCapturing(bool capturing)
{
    if (m_capturing == capturing)
        return;
    m_capturing = capturing;
    Q_EMIT capturingChanged();
}
