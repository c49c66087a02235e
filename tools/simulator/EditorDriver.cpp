#include "EditorDriver.h"

#include "AnnotationJson.h"
#include "SimulatorState.h"

#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/ScreenshotEditor.h"
#include "Screenshots/SegmentedControl.h"
#include "Screenshots/Shot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>

using SimulatorState::rect;
using SimulatorState::utf8;

namespace {

const char* toolName(EditorModel::Tool tool)
{
    switch (tool) {
    case EditorModel::Tool::Blur:
        return "blur";
    case EditorModel::Tool::Arrow:
        return "arrow";
    case EditorModel::Tool::Number:
        return "number";
    }
    return "blur";
}

double number(const ScenarioScript::Token& token)
{
    return *ScenarioScript::number(token.text);
}

SimulatorState::json size(const QSize& s)
{
    return SimulatorState::json::array({ s.width(), s.height() });
}

} // namespace

EditorDriver::EditorDriver(Report report, Warn warn)
    : m_report(std::move(report))
    , m_warn(std::move(warn))
{ }

void EditorDriver::attach(ScreenshotEditor& editor)
{
    m_editor = &editor;
    QObject::connect(&editor, &ScreenshotEditor::opened, [this](QWidget* window) { opened(window); });
    QObject::connect(&editor, &ScreenshotEditor::closed, [this](QWidget* window) {
        const auto found = m_followed.find(window);
        if (found == m_followed.end())
            return;
        m_report("editor.close", { { "id", found->second.id } });
        m_followed.erase(found);
    });
}

int EditorDriver::id(const QWidget* window) const
{
    const auto found = m_followed.find(window);
    return found == m_followed.end() ? 0 : found->second.id;
}

void EditorDriver::opened(QWidget* window)
{
    const int number = m_nextId++;
    m_followed[window] = Followed { number, 0, 0, std::nullopt };
    if (auto* model = m_editor->model(window))
        QObject::connect(model, &EditorModel::versionChanged, [this, window] { changed(window); });
    m_report("editor.open", { { "id", number }, { "size", size(window->size()) } });
}

void EditorDriver::changed(QWidget* window)
{
    const auto found = m_followed.find(window);
    const EditorModel* model = m_editor ? m_editor->model(window) : nullptr;
    if (found == m_followed.end() || !model)
        return;
    auto& followed = found->second;
    const auto& stack = model->stack();
    // A mark that joined the list without coming back from the undone ones is one the user drew. A new
    // mark empties the undone list; a redo takes its last one.
    const bool grew = stack.items.size() == followed.items + 1;
    const bool redone = !stack.undone.empty()
        || (followed.undone == 1 && followed.lastUndone && stack.items.back() == *followed.lastUndone);
    if (grew && (followed.undone == 0 || !redone))
        m_report("editor.add",
            { { "id", followed.id }, { "annotation", AnnotationJson::write(stack.items.back()) } });
    followed.items = stack.items.size();
    followed.undone = stack.undone.size();
    followed.lastUndone
        = stack.undone.empty() ? std::nullopt : std::optional<Annotation>(stack.undone.back());
}

QWidget* EditorDriver::front() const
{
    if (!m_editor || m_editor->windows().empty())
        return nullptr;
    const auto& windows = m_editor->windows();
    QWidget* active = QApplication::activeWindow();
    if (std::find(windows.begin(), windows.end(), active) != windows.end())
        return active;
    return windows.back();
}

void EditorDriver::mouse(QWidget* window, Pointer what, QPointF canvasPoint)
{
    AnnotationCanvas* canvas = m_editor->view(window)->canvas();
    if (what == Pointer::Leave) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(canvas, &leave);
        return;
    }
    const QPointF at = canvas->toWidget(canvasPoint);
    QEvent::Type type = QEvent::MouseMove;
    if (what == Pointer::Press)
        type = QEvent::MouseButtonPress;
    else if (what == Pointer::Release)
        type = QEvent::MouseButtonRelease;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held
        = what == Pointer::Press || what == Pointer::Drag ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, at, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

// The `editor` commands, each with the check of its arguments and what it does. All but `open` act on the
// editor window in front.
struct EditorDriver::Subcommand {
    const char* name;
    QString (*check)(const std::vector<ScenarioScript::Token>& a);
    void (*run)(EditorDriver& driver, const ScenarioScript::Command& command, QWidget* window);
};

namespace {

using Tokens = std::vector<ScenarioScript::Token>;

QString checkNumbers(const Tokens& a, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i)
        if (!ScenarioScript::number(a[i].text))
            return QStringLiteral("\"%1\" is not a number").arg(a[i].text);
    return {};
}

QString checkPoint(const Tokens& a)
{
    return a.size() == 3 ? checkNumbers(a, 1, 2) : QStringLiteral("expected %1 X Y").arg(a[0].text);
}

QString checkNoArguments(const Tokens& a)
{
    return a.size() == 1 ? QString() : QStringLiteral("%1 takes no arguments").arg(a[0].text);
}

const QStringList tools { QStringLiteral("blur"), QStringLiteral("arrow"), QStringLiteral("number") };

} // namespace

const std::vector<EditorDriver::Subcommand>& EditorDriver::subcommands()
{
    using C = ScenarioScript::Command;
    static const std::vector<Subcommand> table {
        { "open",
            [](const Tokens& a) {
                if (a.size() != 3)
                    return QStringLiteral("expected open SHOT.png SCALE");
                const auto scale = ScenarioScript::number(a[2].text);
                return scale && *scale > 0 ? QString()
                                           : QStringLiteral("the scale must be a positive number");
            },
            [](EditorDriver& d, const C& c, QWidget*) { d.open(c); } },
        { "tool",
            [](const Tokens& a) {
                return a.size() == 2 && !a[1].quoted && tools.contains(a[1].text)
                    ? QString()
                    : QStringLiteral("expected tool blur, arrow or number");
            },
            [](EditorDriver& d, const C& c, QWidget* window) {
                d.m_editor->view(window)
                    ->toolPicker()
                    ->segment(static_cast<int>(tools.indexOf(c.args[1].text)))
                    ->click();
            } },
        { "brush",
            [](const Tokens& a) {
                return a.size() == 2 ? checkNumbers(a, 1, 1) : QStringLiteral("expected brush N");
            },
            [](EditorDriver& d, const C& c, QWidget* window) {
                d.m_editor->view(window)->brushSlider()->setValue(static_cast<int>(std::lround(
                    std::clamp(number(c.args[1]), EditorModel::smallestBrush, EditorModel::largestBrush)
                    * EditorView::sliderSteps)));
            } },
        { "click", checkPoint,
            [](EditorDriver& d, const C& c, QWidget* window) {
                const QPointF at(number(c.args[1]), number(c.args[2]));
                d.mouse(window, Pointer::Press, at);
                d.mouse(window, Pointer::Release, at);
            } },
        { "drag",
            [](const Tokens& a) {
                return a.size() >= 5 && (a.size() - 1) % 2 == 0
                    ? checkNumbers(a, 1, a.size() - 1)
                    : QStringLiteral("expected drag X1 Y1 X2 Y2 [X Y…]");
            },
            [](EditorDriver& d, const C& c, QWidget* window) {
                const auto& a = c.args;
                d.mouse(window, Pointer::Press, { number(a[1]), number(a[2]) });
                for (std::size_t i = 3; i + 1 < a.size(); i += 2)
                    d.mouse(window, Pointer::Drag, { number(a[i]), number(a[i + 1]) });
                d.mouse(window, Pointer::Release, { number(a[a.size() - 2]), number(a[a.size() - 1]) });
            } },
        { "move", checkPoint,
            [](EditorDriver& d, const C& c, QWidget* window) {
                d.mouse(window, Pointer::Hover, { number(c.args[1]), number(c.args[2]) });
            } },
        { "exit", checkNoArguments,
            [](EditorDriver& d, const C&, QWidget* window) { d.mouse(window, Pointer::Leave); } },
        { "button",
            [](const Tokens& a) {
                return a.size() == 2 && a[1].quoted ? QString() : QStringLiteral("expected button \"TEXT\"");
            },
            [](EditorDriver& d, const C& c, QWidget* window) { d.pressButton(c, window); } },
        { "close", checkNoArguments, [](EditorDriver&, const C&, QWidget* window) { window->close(); } },
        { "resize",
            [](const Tokens& a) {
                if (a.size() != 3)
                    return QStringLiteral("expected resize W H");
                if (const auto problem = checkNumbers(a, 1, 2); !problem.isEmpty())
                    return problem;
                return *ScenarioScript::number(a[1].text) <= ScenarioScript::maximumEditorSize
                        && *ScenarioScript::number(a[2].text) <= ScenarioScript::maximumEditorSize
                    ? QString()
                    : QStringLiteral("a window is at most %1 points on a side")
                          .arg(ScenarioScript::maximumEditorSize);
            },
            [](EditorDriver&, const C& c, QWidget* window) {
                window->resize(static_cast<int>(number(c.args[1])), static_cast<int>(number(c.args[2])));
                QApplication::processEvents();
            } },
    };
    return table;
}

const EditorDriver::Subcommand* EditorDriver::subcommand(const ScenarioScript::Command& command)
{
    const auto& a = command.args;
    if (a.empty() || a[0].quoted)
        return nullptr;
    for (const auto& entry : subcommands())
        if (a[0].text == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

QString EditorDriver::check(const ScenarioScript::Command& command)
{
    if (const auto* entry = subcommand(command))
        return entry->check(command.args);
    return QStringLiteral("expected open, tool, brush, click, drag, move, exit, button, close or resize");
}

void EditorDriver::execute(const ScenarioScript::Command& command)
{
    const auto* entry = subcommand(command);
    if (!m_editor || !entry)
        return;
    QWidget* window = nullptr;
    if (command.args[0].text != QLatin1String("open")) {
        window = front();
        if (!window)
            return m_warn(command.line, QStringLiteral("no editor window is open"));
    }
    entry->run(*this, command, window);
}

void EditorDriver::open(const ScenarioScript::Command& command)
{
    const auto& a = command.args;
    QFile file(m_baseFolder.isEmpty() ? a[1].text : QDir(m_baseFolder).absoluteFilePath(a[1].text));
    const double scale = number(a[2]);
    if (!file.open(QIODevice::ReadOnly)) {
        m_warn(command.line, QStringLiteral("cannot read %1").arg(a[1].text));
        return;
    }
    auto shot = Shot::create(file.readAll(), QFileInfo(file).absoluteFilePath(), scale);
    if (!shot) {
        m_warn(command.line, QStringLiteral("%1 is no image").arg(a[1].text));
        return;
    }
    auto window = std::make_shared<QWidget*>(nullptr);
    const auto handler = [this, window](const char* event) {
        return [this, window, event](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            const auto image = marks.render();
            if (image)
                m_report(event, { { "id", id(*window) }, { "size", size(image->size()) } });
            settled(image.has_value());
        };
    };
    *window = m_editor->open(std::move(shot), handler("editor.copy"), handler("editor.finish"));
}

void EditorDriver::pressButton(const ScenarioScript::Command& command, QWidget* window)
{
    const QString& text = command.args[1].text;
    for (auto* button : m_editor->view(window)->findChildren<QAbstractButton*>()) {
        if ((button->text() == text || button->toolTip() == text) && button->isVisibleTo(window)) {
            if (button->isEnabled())
                button->click();
            else
                m_warn(command.line, QStringLiteral("\"%1\" is disabled").arg(text));
            return;
        }
    }
    m_warn(command.line, QStringLiteral("the editor has no button \"%1\"").arg(text));
}

bool EditorDriver::key(const KeyEvent& event)
{
    QWidget* window = front();
    if (!window || QApplication::activeWindow() != window)
        return false;
    if (!event.isDown)
        return true;
    // The keys the editor window answers, as the shortcut map would find them.
    int key = 0;
    if (event.keyCode == KeyCodes::returnKey)
        key = Qt::Key_Return;
    else if (event.keyCode == KeyCodes::keypadEnter)
        key = Qt::Key_Enter;
    else
        for (int letter = 0; letter < 26; ++letter)
            if (KeyCodes::letters[static_cast<std::size_t>(letter)] == event.keyCode)
                key = Qt::Key_A + letter;
    if (event.flags & EventFlags::command)
        key |= Qt::CTRL;
    if (event.flags & EventFlags::shift)
        key |= Qt::SHIFT;
    if (event.flags & EventFlags::option)
        key |= Qt::ALT;
    const QKeySequence pressed(key);
    for (auto* shortcut : m_editor->view(window)->findChildren<QShortcut*>()) {
        if (shortcut->isEnabled() && shortcut->key() == pressed) {
            Q_EMIT shortcut->activated();
            break;
        }
    }
    return true;
}

EditorDriver::json EditorDriver::state() const
{
    json windows = json::array();
    if (m_editor) {
        for (QWidget* window : m_editor->windows()) {
            const EditorModel* model = m_editor->model(window);
            const EditorView* view = m_editor->view(window);
            if (!model || !view)
                continue;
            json items = json::array();
            for (const auto& item : model->stack().items)
                items.push_back(AnnotationJson::write(item));
            windows.push_back({ { "id", id(window) }, { "title", utf8(window->windowTitle()) },
                { "size", size(window->size()) }, { "tool", toolName(model->tool()) },
                { "brush", model->brush() }, { "items", items }, { "undone", model->stack().undone.size() },
                { "version", model->version() }, { "imageRect", rect(view->canvas()->imageRect()) },
                { "undoEnabled", view->undoButton()->isEnabled() },
                { "redoEnabled", view->redoButton()->isEnabled() } });
        }
    }
    return { { "windows", windows } };
}
