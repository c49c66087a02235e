#pragma once

#include "Screenshots/EditorModel.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class Alerts;
class EditorView;
class Screens;
class Shot;
class Workspace;
class QWidget;

// Opens editor windows, one per shot and several at a time, keeps one session per open window, and asks
// before a window with marks is closed. The marks go out through the handlers given to `open`, which
// render them where they like and say when they are done.
class ScreenshotEditor final : public QObject {
    Q_OBJECT
public:
    // Told once whether the image got out: a finished window then closes; one whose image could not be made
    // stays open with its marks.
    using Settled = std::function<void(bool delivered)>;
    // Gets the marks as they were at the press. Until `settled` is called, later or inside this call, the
    // window takes no command and refuses to close.
    using Handler = std::function<void(EditorModel::Snapshot marks, Settled settled)>;

    static constexpr QSize minimumContent { 520, 360 };
    // The canvas's margin on both sides, and the height allowed for the toolbar.
    static constexpr double canvasMargins = 48;
    static constexpr double toolbarAllowance = 52;

    ScreenshotEditor(Alerts& alerts, Screens& screens, Workspace& workspace, QObject* parent = nullptr);
    ~ScreenshotEditor() override;

    // Opens a window for the shot, in front and active. "Копировать" passes the marks to `onCopy`; "Готово",
    // and "Сохранить" when the window is closed, pass them to `onFinish`. Null for no shot.
    QWidget* open(std::shared_ptr<Shot> shot, Handler onCopy, Handler onFinish);

    // The content size for a shot of these pixels and scale on a screen with this visible frame: room for
    // the shot at its size in points, the canvas margins and the toolbar, at least 560 × 400, at most 85 %
    // of the frame.
    static QSizeF contentSize(QSize pixels, double scale, const QRectF& visibleFrame);

    // The open windows, oldest first.
    const std::vector<QWidget*>& windows() const { return m_windows; }
    // A window's model and view; null for a window this editor did not open or that has closed.
    EditorModel* model(const QWidget* window) const;
    EditorView* view(const QWidget* window) const;

    // Whether a close of the window may go ahead; asks the user when it would throw marks away.
    bool windowShouldClose(QWidget* window);
    // Forgets the window's session; the window goes once the current event has been handled.
    void windowWillClose(QWidget* window);

Q_SIGNALS:
    void opened(QWidget* window);
    void closed(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Session {
        QPointer<EditorModel> model;
        QPointer<EditorView> view;
        Handler copy;
        Handler finish;
        bool busy = false;
        bool done = false;
    };

    void handOver(QWidget* window, bool finishing);
    void settled(QWidget* window, bool finishing, bool delivered);
    void forget(const QWidget* window);

    Alerts& m_alerts;
    Screens& m_screens;
    Workspace& m_workspace;
    std::map<const QWidget*, Session> m_sessions;
    std::vector<QWidget*> m_windows;
    // The window whose close is being decided: a finish settled meanwhile lets that close go ahead instead
    // of starting another.
    const QWidget* m_closing = nullptr;
};
