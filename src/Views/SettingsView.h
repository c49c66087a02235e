#pragma once

#include "Clipboard/HistoryLimit.h"
#include "Platform/Platform.h"

#include <QVariant>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class AppSettings;
class ElidedLabel;
class FormSection;
class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class ToggleSwitch;

namespace GlobalShortcuts {
class RecorderControl;
}

// The settings window's content: every preference in one grouped form. Each control writes through to
// the settings at once, and each row follows the settings, so a change made elsewhere shows at once.
// What the controller does about a change it hears through the `on…` functions.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 480;
    static constexpr int contentHeight = 720;
    static constexpr std::array<double, 5> holdDelays { 0.4, 0.6, 1.0, 2.0, 3.0 };

    enum class RowKind { Choice, Switch, Button, Shortcut, Caption, Folder, Status, Version };
    struct Row {
        QString label;
        RowKind kind = RowKind::Caption;
        QWidget* widget = nullptr; // the whole row
        QComboBox* choice = nullptr;
        QAbstractButton* toggle = nullptr;
        QPushButton* button = nullptr; // the row's button, when it shows one now
        QLabel* text = nullptr; // a status or version text
        ElidedLabel* path = nullptr;
        GlobalShortcuts::RecorderControl* recorder = nullptr;

        // What the row shows: the chosen text, the switch's state, the status, the folder, the recorded
        // shortcut or the version; null for captions, plain buttons and an empty recorder.
        QVariant value() const;
        bool enabled() const;
    };

    SettingsView(AppSettings& settings, const Platform& platform, QWidget* parent = nullptr);

    // The history limit or a hold switch changed, here or elsewhere.
    std::function<void(HistoryLimit)> onHistoryLimitChanged = [](HistoryLimit) {};
    std::function<void()> onHoldKeysChanged = [] {};
    // "Очистить историю…", the folder's "Выбрать…", the accessibility "Выдать…" and "Проверить…".
    std::function<void()> onClearHistory = [] {};
    std::function<void()> onChooseFolder = [] {};
    std::function<void()> onGrantAccessibility = [] {};
    std::function<void()> onCheckForUpdates = [] {};

    void setAccessibilityGranted(bool granted);
    // Reads again what announces no change: the screen-recording permission, the system's screenshot
    // folder and the update-check key. Showing or activating the window does this too.
    void refresh();

    const std::vector<Row>& rows() const { return m_rows; }
    // The row with that label (or, for a one-button row, that button text); null when there is none.
    const Row* row(const QString& label) const;
    GlobalShortcuts::RecorderControl* recorder() const { return m_recorder; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildHistory(FormSection* section);
    void buildHold(FormSection* section);
    void buildScreenshots(FormSection* section);
    void buildSystem(FormSection* section);
    ToggleSwitch* addSwitch(FormSection* section, const QString& label, bool (AppSettings::*get)() const,
        void (AppSettings::*set)(bool), void (AppSettings::*changed)());
    QWidget* makeStatus(const QString& grantedText, const std::function<void()>& grant, Row& row);
    void showStatus(const Row& row, bool granted);
    void syncHistoryLimit();
    void syncHoldDelay();
    void syncFolder();
    void updateEnabledRows();
    void changeLaunchAtLogin(bool enabled);
    Row& rowNamed(const QString& label);

    AppSettings& m_settings;
    Platform m_platform;
    std::vector<Row> m_rows;
    QComboBox* m_historyLimit = nullptr;
    QComboBox* m_holdDelay = nullptr;
    ToggleSwitch* m_launchAtLogin = nullptr;
    ToggleSwitch* m_autoCheckUpdates = nullptr;
    GlobalShortcuts::RecorderControl* m_recorder = nullptr;
    bool m_accessibilityGranted = false;
};
