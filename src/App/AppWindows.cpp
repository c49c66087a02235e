#include "App/AppWindows.h"

#include "App/AppController.h"
#include "Foundation/Localization.h"
#include "Foundation/Scheduler.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/Accessibility.h"
#include "Platform/KeyboardEvents.h"
#include "Screenshots/ScreenCapture.h"
#include "Views/OnboardingView.h"
#include "Views/SettingsView.h"

AppWindows::AppWindows(AppController& controller)
    : m_controller(controller)
    , m_presenter(controller.platform().workspace)
{ }

AppWindows::~AppWindows()
{
    // The wait still ends, told that it was cancelled: it then leaves this object alone.
    m_onboardingClose.cancel();
}

void AppWindows::showOnboarding()
{
    m_presenter.present(onboardingKey, Localization::text("Drimo Copy"), [this] { return makeOnboarding(); });
}

void AppWindows::showSettings()
{
    auto* window = m_presenter.present(
        settingsKey, Localization::text("Настройки Drimo Copy"), [this] { return makeSettings(); });
    // Asking again is looking again: a permission granted meanwhile announces nothing.
    if (auto* view = window->findChild<SettingsView*>())
        view->refresh();
}

void AppWindows::closeOnboardingSoon()
{
    m_onboardingClose.cancel();
    m_onboardingClose = m_controller.platform().scheduler.after(onboardingCloseDelay, [this](bool cancelled) {
        if (!cancelled)
            m_presenter.close(onboardingKey);
    });
}

QWidget* AppWindows::makeOnboarding()
{
    AppController& controller = m_controller;
    auto* view = new OnboardingView(controller.platform().family);
    view->setAccessibilityGranted(controller.accessibilityGranted());
    view->setNeedsRestart(controller.needsRestart());
    view->setGrantInstructions(controller.platform().accessibility.grantInstructions());
    QObject::connect(&controller, &AppController::accessibilityGrantedChanged, view,
        [&controller, view] { view->setAccessibilityGranted(controller.accessibilityGranted()); });
    QObject::connect(&controller, &AppController::needsRestartChanged, view,
        [&controller, view] { view->setNeedsRestart(controller.needsRestart()); });
    view->onOpenSettings = [&controller] { controller.requestAccessibility(); };
    view->onRestart = [&controller] { controller.relaunch(); };
    return view;
}

QWidget* AppWindows::makeSettings()
{
    AppController& controller = m_controller;
    const Platform& platform = controller.platform();
    auto* view = new SettingsView(controller.settings(),
        { .family = platform.family,
            .paths = platform.paths,
            .loginItems = platform.loginItems,
            .log = platform.log,
            .screenAccess = platform.screenAccess,
            .bundle = platform.bundle,
            .shortcuts = controller.shortcuts(),
            .holdGestures = platform.keyboard.offersTap() });
    view->recorder()->setObjectName(screenshotRecorderName);
    view->setAccessibilityGranted(controller.accessibilityGranted());
    QObject::connect(&controller, &AppController::accessibilityGrantedChanged, view,
        [&controller, view] { view->setAccessibilityGranted(controller.accessibilityGranted()); });
    const auto call = [&controller](void (AppController::*command)()) {
        return [&controller, command] { (controller.*command)(); };
    };
    view->onHistoryLimitChanged = [&controller](HistoryLimit limit) { controller.history().apply(limit); };
    view->onHoldKeysChanged = call(&AppController::applyHoldKeys);
    view->onClearHistory = call(&AppController::confirmClearHistory);
    view->onChooseFolder = call(&AppController::chooseScreenshotFolder);
    view->onOpenScreenRecordingSettings = [&platform] { ScreenCapture::openSettings(platform); };
    view->onGrantAccessibility = call(&AppController::showOnboarding);
    view->onCheckForUpdates = call(&AppController::checkForUpdates);
    return view;
}
