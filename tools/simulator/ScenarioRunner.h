#pragma once

#include "Clipboard/ClipboardItem.h"
#include "EditorDriver.h"
#include "ScenarioScript.h"
#include "SettingsDriver.h"
#include "SimulatedWorld.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <cstdio>
#include <map>
#include <memory>

class AppController;
class MenuContent;

// Runs a checked scenario against the real controller on the simulated world, printing the transcript.
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

    using json = nlohmann::ordered_json;

private:
    void execute(const ScenarioScript::Command& command);
    void environment(const ScenarioScript::Command& command);
    AppController& controller();
    void report(const char* event, json fields = json::object());
    void warn(int line, const QString& message);

    // Time passes: due tasks run one instant at a time, with what they changed reported after each.
    void advance(double seconds);
    void observe();
    void typeKey(const KeyEvent& event);
    void keys(const std::vector<ScenarioScript::Token>& args, std::size_t from, std::size_t end, bool isDown,
        bool isRepeat);
    void hold(const ScenarioScript::Command& command);
    void copy(const ScenarioScript::Command& command);
    void expect(const ScenarioScript::Command& command);
    bool keyWindow(const KeyEvent& event);
    void applyCaret();
    bool clickButton(const QString& text);
    void snapshot(const ScenarioScript::Command& command);
    void http(const ScenarioScript::Command& command);
    void diskImage(const ScenarioScript::Command& command);
    void clickRecorder(const ScenarioScript::Command& command);
    void reportShortcuts();
    void thumbnail(const ScenarioScript::Command& command);

    void historyChanged();

    class WindowWatch final : public QObject {
    public:
        explicit WindowWatch(std::function<void()> onChange);
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        std::function<void()> m_onChange;
    };

    QString m_home;
    std::FILE* m_out;
    SimulatedWorld m_world;
    std::unique_ptr<AppController> m_controller;
    std::unique_ptr<MenuContent> m_menu;
    std::unique_ptr<WindowWatch> m_windowWatch;
    bool m_failed = false;
    std::optional<QRectF> m_caret;
    std::optional<QUrl> m_updateBase;
    EditorDriver m_editors;
    SettingsDriver m_settingsWindow;

    // What was last reported, to tell changes.
    QList<ClipboardItem> m_reportedHistory;
    bool m_pickerShown = false;
    bool m_thumbnailShown = false;
    QRectF m_thumbnailFrame;
    std::map<QString, bool> m_windowShown;
    bool m_observing = false;
};
