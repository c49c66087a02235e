#include "ScenarioRunner.h"

#include "Expectation.h"
#include "ScenarioCommands.h"
#include "SimulatorState.h"
#include "WorldReports.h"

#include "App/AppController.h"
#include "App/MenuContent.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Picker/HistoryPickerView.h"
#include "Screenshots/ThumbnailPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <algorithm>

using ScenarioScript::Command;
using SimulatorState::rect;
using SimulatorState::utf8;

ScenarioRunner::ScenarioRunner(const QString& home, std::FILE* transcript)
    : m_home(home)
    , m_world(home)
    , m_transcript(transcript, m_world.scheduler)
    , m_editors([this](const char* event, json fields) { m_transcript.report(event, std::move(fields)); },
          [this](int line, const QString& message) { m_transcript.warn(line, message); })
    , m_settingsWindow([this](int line, const QString& message) { m_transcript.warn(line, message); })
    , m_input(m_world, m_transcript, m_editors,
          { [this] { return m_controller.get(); }, [this] { observe(); },
              [this](double seconds) { advance(seconds); } })
{
    m_transcript.report("sim.home", { { "path", utf8(home) } });
    m_input.onType = [this](const KeyEvent& event) { onType(event); };
    m_world.keyboardEvents.keyWindow = [this](const KeyEvent& event) { return m_input.keyWindow(event); };
    // Windows report as they appear and go, not only between commands.
    m_windowWatch = std::make_unique<WindowWatch>([this] { observe(); });
    qApp->installEventFilter(m_windowWatch.get());
    reportWorldEvents(m_world, m_transcript);
}

ScenarioRunner::WindowWatch::WindowWatch(std::function<void()> onChange)
    : m_onChange(std::move(onChange))
{ }

bool ScenarioRunner::WindowWatch::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->isWindow())
        m_onChange();
    return false;
}

ScenarioRunner::~ScenarioRunner()
{
    qApp->removeEventFilter(m_windowWatch.get());
    m_transcript.close();
    m_menu.reset();
    m_controller.reset();
}

AppController& ScenarioRunner::controller()
{
    if (m_controller)
        return *m_controller;
    m_controller = std::make_unique<AppController>(m_world.platform());
    m_menu = std::make_unique<MenuContent>(*m_controller);
    m_reportedHistory = m_controller->history().items();
    m_editors.attach(m_controller->editor());
    QObject::connect(&m_controller->history(), &ClipboardHistory::listChanged, [this] { historyChanged(); });
    QObject::connect(m_controller.get(), &AppController::holdFired, [this](HoldMonitor::Key key) {
        m_transcript.report("hold", { { "key", key == HoldMonitor::Key::Copy ? "copy" : "paste" } });
    });
    QObject::connect(m_controller.get(), &AppController::captureEnded, [this](bool ok, const QString& path) {
        m_transcript.report("capture.done", { { "ok", ok }, { "path", utf8(path) } });
    });
    QObject::connect(m_controller.get(), &AppController::screenshotFileWritten, [this](const QString& path) {
        m_transcript.report("screenshot.file", { { "path", utf8(path) } });
    });
    if (m_updateBase)
        m_controller->updates().setBaseUrl(*m_updateBase);
    QObject::connect(m_controller.get(), &AppController::accessibilityGrantedChanged, [this] {
        m_transcript.report(
            "app.change", { { "accessibilityGranted", m_controller->accessibilityGranted() } });
    });
    QObject::connect(&m_controller->shortcuts().notifications(),
        &GlobalShortcuts::Notifications::recorderActiveStatusDidChange, [this](bool active) {
            m_transcript.report("recorder", { { "active", active } });
        });
    QObject::connect(m_controller.get(), &AppController::needsRestartChanged, [this] {
        m_transcript.report("app.change", { { "needsRestart", m_controller->needsRestart() } });
    });
    return *m_controller;
}

bool ScenarioRunner::run(const std::vector<Command>& commands)
{
    for (const auto& command : commands) {
        ScenarioCommands::find(command.name)->run(*this, command);
        QCoreApplication::processEvents();
        // As a real event loop does before the next input: what the command posted for now runs now, so a
        // re-sent short ⌘V reaches the application before the keys typed after it.
        advance(0);
    }
    return !m_failed;
}

void ScenarioRunner::applyCaret()
{
    if (const auto front = m_world.workspace.frontmostApplication())
        m_world.accessibility.setCaret(front->processIdentifier, m_caret);
}

void ScenarioRunner::setUpdateBase(const QUrl& base)
{
    m_updateBase = base;
    if (m_controller)
        m_controller->updates().setBaseUrl(base);
}

void ScenarioRunner::advance(double seconds)
{
    const double target = m_world.scheduler.now() + seconds;
    for (;;) {
        const double due = m_world.scheduler.nextDueTime();
        if (due < 0 || due > target)
            break;
        m_world.scheduler.advance(std::max(0.0, due - m_world.scheduler.now()));
        observe();
    }
    m_world.scheduler.advance(std::max(0.0, target - m_world.scheduler.now()));
    observe();
}

void ScenarioRunner::observe()
{
    if (m_observing || !m_controller)
        return;
    m_observing = true;
    auto& picker = m_controller->picker();
    if (picker.isOpen() != m_pickerShown) {
        m_pickerShown = picker.isOpen();
        if (m_pickerShown)
            m_transcript.report("picker.show",
                { { "frame", picker.frame() ? rect(*picker.frame()) : json(nullptr) },
                    { "rows", picker.model().visibleCount() } });
        else
            m_transcript.report("picker.hide");
    }
    auto& thumbnail = m_controller->thumbnail();
    if ((thumbnail.panel() != nullptr) != m_thumbnailShown) {
        m_thumbnailShown = thumbnail.panel() != nullptr;
        m_transcript.report(m_thumbnailShown ? "thumbnail.show" : "thumbnail.hide",
            { { "frame", rect(m_thumbnailShown ? thumbnail.restingFrame() : m_thumbnailFrame) } });
        m_thumbnailFrame = thumbnail.restingFrame();
    }
    auto& windows = m_controller->windows();
    for (const auto& key : windows.keys()) {
        auto* window = windows.window(key);
        auto& shown = m_windowShown[key];
        if (window->isVisible() == shown)
            continue;
        shown = window->isVisible();
        m_transcript.report(shown ? "window.show" : "window.close",
            { { "key", utf8(key) }, { "title", utf8(window->windowTitle()) } });
    }
    m_observing = false;
}

void ScenarioRunner::historyChanged()
{
    const auto& now = m_controller->history().items();
    const auto find = [](const QList<ClipboardItem>& list, const QString& id) {
        return std::find_if(
            list.begin(), list.end(), [&](const ClipboardItem& item) { return item.id == id; });
    };
    json removed = json::array();
    for (const auto& old : m_reportedHistory)
        if (find(now, old.id) == now.end())
            removed.push_back(utf8(old.id));
    if (!removed.empty())
        m_transcript.report("history.remove", { { "ids", removed } });
    // Newest first: report from the bottom so that the last line names the entry now on top.
    for (auto item = now.rbegin(); item != now.rend(); ++item) {
        const auto old = find(m_reportedHistory, item->id);
        if (old == m_reportedHistory.end()) {
            auto fields = SimulatorState::item(*item);
            fields.erase("date");
            fields.erase("fingerprint");
            m_transcript.report("history.add", fields);
        } else if (old->date != item->date) {
            m_transcript.report("history.touch", { { "id", utf8(item->id) } });
        }
    }
    m_reportedHistory = now;
}

void ScenarioRunner::clickRecorder(const Command& command)
{
    auto& app = controller();
    app.showSettings();
    auto* window = app.windows().window(AppWindows::settingsKey);
    auto* recorder = window
        ? window->findChild<GlobalShortcuts::RecorderControl*>(AppWindows::screenshotRecorderName)
        : nullptr;
    if (!recorder) {
        m_transcript.warn(command.line, QStringLiteral("the settings window shows no shortcut recorder"));
        return;
    }
    recorder->startRecording();
}

void ScenarioRunner::snapshot(const Command& command)
{
    const auto& key = command.args[0].text;
    auto& app = controller();
    QWidget* window = key == QLatin1String("picker") ? app.picker().window() : app.windows().window(key);
    if (!window || !window->isVisible()) {
        m_transcript.warn(command.line, QStringLiteral("no window \"%1\" is shown").arg(key));
        return;
    }
    const auto path = QDir(m_home).absoluteFilePath(command.args[1].text);
    if (!window->grab().save(path, "PNG"))
        m_transcript.warn(command.line, QStringLiteral("cannot write %1").arg(path));
    else
        m_transcript.report("snapshot", { { "key", utf8(key) }, { "path", utf8(path) } });
}

void ScenarioRunner::expect(const Command& command)
{
    const auto outcome = Expectation::evaluate(state(), command);
    if (!outcome.ok)
        m_failed = true;
    m_transcript.report("expect", outcome.fields);
}

nlohmann::ordered_json ScenarioRunner::state()
{
    auto all = SimulatorState::all(controller(), m_world);
    all["editor"] = m_editors.state();
    all["settingsWindow"] = m_settingsWindow.state(controller());
    return all;
}
