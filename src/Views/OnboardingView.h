#pragma once

#include "Platform/SystemFamily.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// The onboarding window's content: why the Accessibility permission is needed, how to grant it, and
// where the grant stands. It follows two flags its owner keeps up to date.
class OnboardingView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 440;

    // `family` decides how the hold keys are written and whose permission the window speaks of.
    explicit OnboardingView(SystemFamily family = SystemFamily::MacOS, QWidget* parent = nullptr);

    // "Открыть настройки" and "Перезапустить".
    std::function<void()> onOpenSettings = [] {};
    std::function<void()> onRestart = [] {};

    void setAccessibilityGranted(bool granted);
    void setNeedsRestart(bool needsRestart);
    // Where no settings page grants the permission: the steps and "Открыть настройки" give way to what
    // the user can do instead. Empty shows the steps again.
    void setGrantInstructions(const QString& instructions);

    QPushButton* openSettingsButton() const { return m_openSettings; }
    QPushButton* restartButton() const { return m_restart; }
    QWidget* restartRow() const { return m_restartRow; }
    QWidget* waitingRow() const { return m_waitingRow; }
    QLabel* grantedLabel() const { return m_granted; }
    QLabel* instructionsLabel() const { return m_instructions; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateWaitingRow();

    QPushButton* m_openSettings = nullptr;
    QPushButton* m_restart = nullptr;
    QWidget* m_restartRow = nullptr;
    QWidget* m_steps = nullptr;
    QWidget* m_waitingRow = nullptr;
    QLabel* m_instructions = nullptr;
    QLabel* m_granted = nullptr;
};
