#pragma once

#include "Screenshots/AnnotationStack.h"

#include <QImage>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Shot;

// The state of one editor window: the shot, the chosen tool, the brush size, the marks with their undo
// history, and a counter that moves on every change of the marks. Observers hear a field only when it
// really changed.
class EditorModel final : public QObject {
    Q_OBJECT
public:
    enum class Tool { Blur, Arrow, Number };

    static constexpr double initialBrush = 36;
    static constexpr double smallestBrush = 10;
    static constexpr double largestBrush = 120;

    explicit EditorModel(std::shared_ptr<Shot> shot, QObject* parent = nullptr);

    const Shot& shot() const { return *m_shot; }
    const std::shared_ptr<Shot>& sharedShot() const { return m_shot; }

    Tool tool() const { return m_tool; }
    // Always asks for a redraw, also for the same tool: the canvas drops or shows its brush preview at once.
    void setTool(Tool tool);

    // The blur brush diameter in on-screen points, kept within the slider's range; not a number is ignored.
    double brush() const { return m_brush; }
    void setBrush(double brush);

    const AnnotationStack& stack() const { return m_stack; }
    long long version() const { return m_version; }

    void add(Annotation annotation);
    // Both count as a change even when there was nothing to take back or bring back.
    void undo();
    void redo();

    // The marks in effect and the pictures they are drawn on, as they were when taken: the model may
    // change or go meanwhile, and the copy may be rendered on any thread.
    struct Snapshot {
        std::shared_ptr<const Shot> shot;
        std::vector<Annotation> marks;
        // As EditorModel::render.
        std::optional<QImage> render() const;
    };
    Snapshot snapshot() const;

    // The shot with the marks in effect drawn over it, at full pixel size; nothing when no image can be
    // made (an empty shot, or not enough memory).
    std::optional<QImage> render() const;

    // Installed by the canvas; asks it to repaint.
    std::function<void()> redraw = [] {};

Q_SIGNALS:
    void toolChanged();
    void brushChanged();
    void stackChanged();
    void versionChanged();

private:
    void changed(bool stackMoved);

    std::shared_ptr<Shot> m_shot;
    Tool m_tool = Tool::Blur;
    double m_brush = initialBrush;
    AnnotationStack m_stack;
    long long m_version = 0;
};
