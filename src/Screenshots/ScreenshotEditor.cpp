#include "Screenshots/ScreenshotEditor.h"

#include "Foundation/Localization.h"
#include "Platform/Alerts.h"
#include "Platform/Screens.h"
#include "Platform/Workspace.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/Shot.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

ScreenshotEditor::ScreenshotEditor(Alerts& alerts, Screens& screens, Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_alerts(alerts)
    , m_screens(screens)
    , m_workspace(workspace)
{ }

ScreenshotEditor::~ScreenshotEditor()
{
    // The editor goes with the application: its windows close without questions.
    const auto windows = m_windows;
    m_sessions.clear();
    m_windows.clear();
    for (QWidget* window : windows) {
        window->removeEventFilter(this);
        delete window;
    }
}

QSizeF ScreenshotEditor::contentSize(QSize pixels, double scale, const QRectF& visibleFrame)
{
    const double points = std::isfinite(scale) && scale >= 1 ? scale : 1;
    const double w = pixels.width() / points;
    const double h = pixels.height() / points;
    return { std::min(0.85 * visibleFrame.width(), std::max(w + canvasMargins, 560.0)),
        std::min(0.85 * visibleFrame.height(), std::max(h + canvasMargins + toolbarAllowance, 400.0)) };
}

QWidget* ScreenshotEditor::open(std::shared_ptr<Shot> shot, Handler onCopy, Handler onFinish)
{
    if (!shot)
        return nullptr;
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(Localization::text("Скриншот"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* model = new EditorModel(std::move(shot), window);
    auto* view = new EditorView(*model, window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);

    QPointer<ScreenshotEditor> self(this);
    QPointer<QWidget> guarded(window);
    view->onCopy = [self, guarded] {
        if (self && guarded)
            self->handOver(guarded, false);
    };
    view->onDone = [self, guarded] {
        if (self && guarded)
            self->handOver(guarded, true);
    };

    const auto main = m_screens.mainScreen();
    const auto all = m_screens.screens();
    const QRectF frame = main ? main->visibleFrame
        : all.empty()         ? Screens::fallbackFrame
                              : all.front().visibleFrame;
    const QSizeF content = contentSize(model->shot().image().size(), model->shot().scale(), frame);
    // The toolbar's items alone are wider than the smallest window the size rule allows: the window never
    // gets narrower than its content needs, so that no button is cut off. That is always at least
    // the 520 × 360 the canvas's own minimum guarantees.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    layout->activate();
    window->resize(
        QSize(static_cast<int>(std::lround(content.width())), static_cast<int>(std::lround(content.height())))
            .expandedTo(window->minimumSize()));
    const QSizeF placed(window->size());
    const QRectF centred(frame.center() - QPointF(placed.width(), placed.height()) / 2, placed);
    window->move(m_screens.windowPosition(centred));

    m_sessions[window] = Session { model, view, std::move(onCopy), std::move(onFinish) };
    m_windows.push_back(window);
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this, window] { forget(window); });

    m_workspace.activateSelf();
    window->show();
    window->raise();
    window->activateWindow();
    Q_EMIT opened(window);
    return window;
}

EditorModel* ScreenshotEditor::model(const QWidget* window) const
{
    const auto found = m_sessions.find(window);
    return found == m_sessions.end() ? nullptr : found->second.model.data();
}

EditorView* ScreenshotEditor::view(const QWidget* window) const
{
    const auto found = m_sessions.find(window);
    return found == m_sessions.end() ? nullptr : found->second.view.data();
}

void ScreenshotEditor::handOver(QWidget* window, bool finishing)
{
    const auto found = m_sessions.find(window);
    // A second press of "Готово" before the window has gone must not hand the image over twice.
    if (found == m_sessions.end() || found->second.done || found->second.busy || !found->second.model)
        return;
    Session& session = found->second;
    const Handler handler = finishing ? session.finish : session.copy;
    if (!handler) {
        settled(window, finishing, true);
        return;
    }
    session.busy = true;
    // What goes out is what the window shows: no mark may be added that the image would not have.
    if (session.view)
        session.view->setEnabled(false);
    QPointer<ScreenshotEditor> self(this);
    QPointer<QWidget> guarded(window);
    auto once = std::make_shared<bool>(false);
    handler(session.model->snapshot(), [self, guarded, finishing, once](bool delivered) {
        if (*once || !self || !guarded)
            return;
        *once = true;
        self->settled(guarded, finishing, delivered);
    });
}

void ScreenshotEditor::settled(QWidget* window, bool finishing, bool delivered)
{
    const auto found = m_sessions.find(window);
    if (found == m_sessions.end())
        return;
    found->second.busy = false;
    if (found->second.view)
        found->second.view->setEnabled(true);
    // Closing without the image would throw the marks away unsaved; the window stays open with them instead.
    if (!finishing || !delivered)
        return;
    found->second.done = true;
    if (window != m_closing)
        window->close();
}

bool ScreenshotEditor::windowShouldClose(QWidget* window)
{
    const auto found = m_sessions.find(window);
    if (found != m_sessions.end() && found->second.busy)
        return false;
    if (found == m_sessions.end() || found->second.done || !found->second.model
        || found->second.model->stack().items.empty())
        return true;
    const QString save = Localization::text("Сохранить");
    const QString discard = Localization::text("Не сохранять");
    const QString cancel = Localization::text("Отмена");
    QPointer<QWidget> guarded(window);
    const QString answer = m_alerts.run({ Alerts::Style::Warning,
        Localization::text("Сохранить пометки на скриншоте?"), {}, { save, discard, cancel } });
    const auto session = m_sessions.find(window);
    if (!guarded || session == m_sessions.end())
        return true;
    if (answer == discard)
        return true;
    if (answer != save || !session->second.model)
        return false;
    m_closing = window;
    handOver(window, true);
    m_closing = nullptr;
    // Settled at once, the close goes ahead; otherwise the window closes itself once the image is out.
    const auto after = m_sessions.find(window);
    return after != m_sessions.end() && after->second.done;
}

void ScreenshotEditor::windowWillClose(QWidget* window)
{
    if (!window)
        return;
    const bool ours = m_sessions.count(window) > 0
        || std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
    forget(window);
    if (!ours)
        return;
    window->removeEventFilter(this);
    window->deleteLater();
    Q_EMIT closed(window);
}

void ScreenshotEditor::forget(const QWidget* window)
{
    m_sessions.erase(window);
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

bool ScreenshotEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Close || !watched->isWidgetType())
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!windowShouldClose(window)) {
        event->ignore();
        return true;
    }
    windowWillClose(window);
    return false;
}
