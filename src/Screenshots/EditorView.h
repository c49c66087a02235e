#pragma once

#include <QWidget>

#include <functional>

class AnnotationCanvas;
class QAbstractButton;
class QKeySequence;
class EditorModel;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;
class SegmentedControl;

// An editor window's content: the toolbar row (tool, brush size, undo, redo, copy, done), a divider, and the
// canvas taking the rest. The toolbar follows the model; its controls change the model.
class EditorView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowSpacing = 14;
    static constexpr int sideMargin = 14;
    static constexpr int verticalMargin = 10;
    static constexpr int brushSpacing = 8;
    static constexpr int sliderWidth = 150;
    static constexpr int valueWidth = 28;
    static constexpr int buttonPadding = 8;
    static constexpr int sliderSteps = 100; // per point: the slider moves smoothly, not point by point
    static constexpr QSize canvasMinimum { 520, 320 };

    explicit EditorView(EditorModel& model, QWidget* parent = nullptr);

    std::function<void()> onCopy = [] {};
    std::function<void()> onDone = [] {};

    AnnotationCanvas* canvas() const { return m_canvas; }
    SegmentedControl* toolPicker() const { return m_tools; }
    QWidget* brushRow() const { return m_brushRow; }
    QSlider* brushSlider() const { return m_slider; }
    QLabel* brushValue() const { return m_brushValue; }
    QToolButton* undoButton() const { return m_undo; }
    QToolButton* redoButton() const { return m_redo; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* doneButton() const { return m_done; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void followTool();
    void followBrush();
    void followStack();
    void applyPalette();
    void addShortcut(const QKeySequence& keys, QAbstractButton* button);

    EditorModel& m_model;
    SegmentedControl* m_tools;
    QWidget* m_brushRow;
    QLabel* m_brushIcon;
    QSlider* m_slider;
    QLabel* m_brushValue;
    QToolButton* m_undo;
    QToolButton* m_redo;
    QPushButton* m_copy;
    QPushButton* m_done;
    QFrame* m_divider;
    AnnotationCanvas* m_canvas;
};
