#pragma once

#include "Clipboard/HistoryLimit.h"
#include "Platform/SystemFamily.h"

#include <QVariant>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class AppSettings;
class BundleInfo;
class ElidedLabel;
class LoginItemService;
class ScreenAccess;
class StandardPaths;
class SystemLog;
class FormSection;
class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class ToggleSwitch;

namespace GlobalShortcuts {
class Module;
class RecorderControl;
} // namespace GlobalShortcuts

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
    // Every row the form can show, in order; the permission rows only where the desktop has permissions.
    enum class RowId {
        HistoryLimit,
        Pause,
        ClearHistory,
        HoldToPaste,
        HoldToScreenshot,
        HoldDelay,
        HoldCaption,
        Shortcut,
        ShortcutCaption,
        SaveToFolder,
        Folder,
        Copy,
        Thumbnail,
        Sound,
        ScreenRecording,
        LaunchAtLogin,
        Accessibility,
        AutoCheckUpdates,
        Version,
    };
    struct Row {
        RowId id = RowId::HistoryLimit;
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

    // What the form reads and changes besides the settings.
    struct Services {
        SystemFamily family;
        StandardPaths& paths;
        LoginItemService& loginItems;
        SystemLog& log;
        ScreenAccess& screenAccess;
        BundleInfo& bundle;
        GlobalShortcuts::Module& shortcuts;
        // Whether this session shows the program keys held in other programs; without, no hold works.
        bool holdGestures = true;
    };

    SettingsView(AppSettings& settings, Services services, QWidget* parent = nullptr);

    // The history limit or a hold switch changed, here or elsewhere.
    std::function<void(HistoryLimit)> onHistoryLimitChanged = [](HistoryLimit) {};
    std::function<void()> onHoldKeysChanged = [] {};
    // "Очистить историю…", the folder's "Выбрать…", the permissions' "Выдать…" and "Проверить…".
    std::function<void()> onClearHistory = [] {};
    std::function<void()> onOpenScreenRecordingSettings = [] {};
    std::function<void()> onChooseFolder = [] {};
    std::function<void()> onGrantAccessibility = [] {};
    std::function<void()> onCheckForUpdates = [] {};

    void setAccessibilityGranted(bool granted);
    // Reads again what announces no change: the screen-recording permission and the system's screenshot
    // folder. Showing or activating the window does this too.
    void refresh();

    const std::vector<Row>& rows() const { return m_rows; }
    // The row, when the form shows it.
    const Row* row(RowId id) const;
    // The row with that label (or, for a one-button row, that button text), as the user finds it; null
    // when there is none.
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
    ToggleSwitch* addSwitch(FormSection* section, RowId id, const QString& label,
        bool (AppSettings::*get)() const, void (AppSettings::*set)(bool), void (AppSettings::*changed)());
    QWidget* makeStatus(const QString& grantedText, const std::function<void()>& grant, Row& row);
    void showStatus(const Row& row, bool granted);
    void syncHistoryLimit();
    void syncHoldDelay();
    void syncFolder();
    void updateEnabledRows();
    void changeLaunchAtLogin(bool enabled);
    // One of the rows this view always makes.
    Row& ownRow(RowId id);

    AppSettings& m_settings;
    Services m_services;
    std::vector<Row> m_rows;
    QComboBox* m_historyLimit = nullptr;
    QComboBox* m_holdDelay = nullptr;
    ToggleSwitch* m_launchAtLogin = nullptr;
    GlobalShortcuts::RecorderControl* m_recorder = nullptr;
    bool m_accessibilityGranted = false;
};
