#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class Alerts;
class EditorModel;
class EditorView;
class Screens;
class Shot;
class Workspace;
class QWidget;

// Opens editor windows, one per shot and several at a time, keeps one session per open window, and asks
// before a window with marks is closed. Rendered images go back through the handlers given to `open`.
class ScreenshotEditor final : public QObject {
    Q_OBJECT
public:
    using ImageHandler = std::function<void(const QImage&)>;

    static constexpr QSize minimumContent { 520, 360 };
    // The canvas's margin on both sides, and the height allowed for the toolbar.
    static constexpr double canvasMargins = 48;
    static constexpr double toolbarAllowance = 52;

    ScreenshotEditor(Alerts& alerts, Screens& screens, Workspace& workspace, QObject* parent = nullptr);
    ~ScreenshotEditor() override;

    // Opens a window for the shot, in front and active. "Копировать" passes the rendered image to `onCopy`;
    // "Готово", and "Сохранить" when the window is closed, pass it to `onFinish`. Null for no shot.
    QWidget* open(std::shared_ptr<Shot> shot, ImageHandler onCopy, ImageHandler onFinish);

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
        ImageHandler finish;
        bool done = false;
    };

    void finish(QWidget* window);
    void forget(const QWidget* window);

    Alerts& m_alerts;
    Screens& m_screens;
    Workspace& m_workspace;
    std::map<const QWidget*, Session> m_sessions;
    std::vector<QWidget*> m_windows;
};
