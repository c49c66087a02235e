#pragma once

#include "Platform/KeyEvent.h"
#include "ScenarioScript.h"
#include "Screenshots/Annotation.h"

#include <QPointer>

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <optional>

class ScreenshotEditor;
class QWidget;

// The user at the editor windows: the `editor` commands, the editor's transcript events and its part of
// the state. Windows are numbered 1, 2, … in the order they opened.
class EditorDriver final {
public:
    using json = nlohmann::ordered_json;
    using Report = std::function<void(const char* event, json fields)>;
    using Warn = std::function<void(int line, const QString& message)>;

    EditorDriver(Report report, Warn warn);

    void setBaseFolder(const QString& folder) { m_baseFolder = folder; }
    // Follows the windows of this editor from now on.
    void attach(ScreenshotEditor& editor);
    // Why the arguments of an `editor` command are malformed; empty when they are well-formed.
    static QString check(const ScenarioScript::Command& command);
    void execute(const ScenarioScript::Command& command);
    // A key event for this application while one of its editor windows is in front: true when the window
    // took it.
    bool key(const KeyEvent& event);
    json state() const;

private:
    struct Followed {
        int id = 0;
        std::size_t items = 0;
        std::size_t undone = 0;
        std::optional<Annotation> lastUndone;
    };
    enum class Pointer { Press, Hover, Drag, Release, Leave };
    struct Subcommand;
    static const std::vector<Subcommand>& subcommands();
    static const Subcommand* subcommand(const ScenarioScript::Command& command);

    void open(const ScenarioScript::Command& command);
    void pressButton(const ScenarioScript::Command& command, QWidget* window);

    QWidget* front() const;
    void opened(QWidget* window);
    void changed(QWidget* window);
    void mouse(QWidget* window, Pointer what, QPointF canvasPoint = {});
    int id(const QWidget* window) const;

    Report m_report;
    Warn m_warn;
    QPointer<ScreenshotEditor> m_editor;
    std::map<const QWidget*, Followed> m_followed;
    int m_nextId = 1;
    QString m_baseFolder;
};
