#pragma once

#include "GlobalShortcuts/ConflictPolicy.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/RecordingPolicy.h"
#include "GlobalShortcuts/Shortcut.h"
#include "GlobalShortcuts/ValidationResult.h"

#include <QLineEdit>

#include <functional>
#include <optional>

struct KeyEvent;
class QAction;

namespace GlobalShortcuts {

class Module;

// The control in which the user records a shortcut: a field showing the current shortcut with a clear
// button. A click, or Space or Return while it has the focus, starts recording; the next qualifying key
// combination is checked against the application's menus, the system's reserved shortcuts and the caller's
// validation, then stored. At most one recorder of a module records at a time, and no global shortcut fires
// meanwhile. RecordingPolicy decides what each key means; this is the widget around it.
class RecorderControl final : public QLineEdit {
    Q_OBJECT
public:
    enum class StorageMode { Name, Binding };
    static constexpr int minimumControlWidth = 130;
    static constexpr int initialHeight = 24;
    // How far outside the control a click still counts as on it.
    static constexpr int clickSlop = 3;

    using ChangeHandler = std::function<void(const std::optional<Shortcut>&)>;

    // Stores the shortcut under the name.
    RecorderControl(
        Module& shortcuts, const Name& name, ChangeHandler onChange = {}, QWidget* parent = nullptr);
    // Keeps the shortcut in the control; the caller learns of changes through onChange.
    RecorderControl(Module& shortcuts, const std::optional<Shortcut>& binding, ChangeHandler onChange = {},
        QWidget* parent = nullptr);
    ~RecorderControl() override;

    StorageMode storageMode() const { return m_storageMode; }
    std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut>& shortcut);

    ChangeHandler onChange;
    std::function<ValidationResult(const Shortcut&)> validateShortcut;
    ConflictPolicy conflictPolicy = ConflictPolicy::defaultPolicy();

    bool isRecording() const { return m_recording; }

    // What a click does: focus and recording.
    void startRecording();
    void endRecording();

    // The event monitor while recording: a key down; true when it was swallowed, false when it goes on.
    bool handleKeyDown(const KeyEvent& event);
    // A left or right mouse button went up at `globalPosition`; the event always goes on.
    void handleMouseUp(const QPoint& globalPosition);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RecorderControl(Module& shortcuts, StorageMode mode, const Name& name,
        const std::optional<Shortcut>& binding, ChangeHandler onChange, QWidget* parent);
    void refresh();
    void showClearButton(bool shown);
    void beginRecording();
    void finishRecording();
    void clearShortcut();
    void store(const std::optional<Shortcut>& shortcut);
    bool check(const Shortcut& candidate);
    bool overcome(const RecordingPolicy::Objection& objection);
    void beep();
    QString showAlert(const QString& title, const QString& message, const QStringList& buttons,
        std::optional<int> dismissButton);

    Module& m_shortcuts;
    StorageMode m_storageMode;
    Name m_name;
    std::optional<Shortcut> m_bindingShortcut;
    bool m_recording = false;
    // The clear button, shown only while there is a shortcut.
    QAction* m_clearAction = nullptr;
};

} // namespace GlobalShortcuts
