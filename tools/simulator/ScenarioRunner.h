#pragma once

#include "Clipboard/ClipboardItem.h"
#include "EditorDriver.h"
#include "InputSynthesizer.h"
#include "ScenarioScript.h"
#include "SettingsDriver.h"
#include "SimulatedWorld.h"
#include "Transcript.h"

#include <QEvent>
#include <QObject>

#include <cstdio>
#include <map>
#include <memory>

class AppController;
class MenuContent;

// Runs a checked scenario against the real controller on the simulated world, printing the transcript.
// What each command does is in the command table (ScenarioCommands); the runner keeps the application,
// the passing of time and the reports of what changed.
class ScenarioRunner final {
public:
    ScenarioRunner(const QString& home, std::FILE* transcript);
    ~ScenarioRunner();

    // Runs every command; false when an expectation failed.
    bool run(const std::vector<ScenarioScript::Command>& commands);

    // Where relative paths of `editor open` start: the scenario file's folder.
    void setScenarioFolder(const QString& folder) { m_editors.setBaseFolder(folder); }

    // The state as `dump all` prints it.
    nlohmann::ordered_json state();

    // For checks that follow a run from inside the process: the simulated machine, the controller once a
    // command has made it (else null), and each key event the user types, told before it enters the system.
    SimulatedWorld& world() { return m_world; }
    AppController* app() const { return m_controller.get(); }
    std::function<void(const KeyEvent&)> onType = [](const KeyEvent&) {};

private:
    friend class ScenarioCommands;
    using json = nlohmann::ordered_json;

    AppController& controller();

    // Time passes: due tasks run one instant at a time, with what they changed reported after each.
    void advance(double seconds);
    void observe();
    void historyChanged();

    void applyCaret();
    void setUpdateBase(const QUrl& base);
    void snapshot(const ScenarioScript::Command& command);
    void clickRecorder(const ScenarioScript::Command& command);
    void expect(const ScenarioScript::Command& command);

    class WindowWatch final : public QObject {
    public:
        explicit WindowWatch(std::function<void()> onChange);
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        std::function<void()> m_onChange;
    };

    QString m_home;
    SimulatedWorld m_world;
    Transcript m_transcript;
    std::unique_ptr<AppController> m_controller;
    std::unique_ptr<MenuContent> m_menu;
    std::unique_ptr<WindowWatch> m_windowWatch;
    bool m_failed = false;
    std::optional<QRectF> m_caret;
    std::optional<QUrl> m_updateBase;
    EditorDriver m_editors;
    SettingsDriver m_settingsWindow;
    InputSynthesizer m_input;

    // What was last reported, to tell changes.
    QList<ClipboardItem> m_reportedHistory;
    bool m_pickerShown = false;
    bool m_thumbnailShown = false;
    QRectF m_thumbnailFrame;
    std::map<QString, bool> m_windowShown;
    bool m_observing = false;
};
