#pragma once

#include "Foundation/TaskHandle.h"
#include "Views/WindowPresenter.h"

#include <QString>

class AppController;

// The onboarding and settings windows: each made on first use, wired to the controller's commands and kept
// up to date with its flags, then kept for the next time.
class AppWindows final {
public:
    static inline const QString onboardingKey = QStringLiteral("onboarding");
    static inline const QString settingsKey = QStringLiteral("settings");
    // The object name of the screenshot shortcut's recorder in the settings window.
    static inline const QString screenshotRecorderName = QStringLiteral("screenshotRecorder");
    // How long onboarding shows the granted permission before it goes.
    static constexpr double onboardingCloseDelay = 1.0;

    // Takes the controller's platform when made: the controller must have it by then.
    explicit AppWindows(AppController& controller);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    void showOnboarding();
    void showSettings();
    void closeOnboardingSoon();
    WindowPresenter& presenter() { return m_presenter; }

private:
    QWidget* makeOnboarding();
    QWidget* makeSettings();

    AppController& m_controller;
    // The windows go with it, and with them every callback that reaches the controller.
    WindowPresenter m_presenter;
    TaskHandle m_onboardingClose;
};
