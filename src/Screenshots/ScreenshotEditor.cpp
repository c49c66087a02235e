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

QWidget* ScreenshotEditor::open(std::shared_ptr<Shot> shot, ImageHandler onCopy, ImageHandler onFinish)
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

    view->onCopy = [model, onCopy = std::move(onCopy)] {
        if (const auto image = model->render(); image && onCopy)
            onCopy(*image);
    };
    QPointer<ScreenshotEditor> self(this);
    QPointer<QWidget> guarded(window);
    view->onDone = [self, guarded] {
        if (self && guarded)
            self->finish(guarded);
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

    m_sessions[window] = Session { model, view, std::move(onFinish), false };
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

void ScreenshotEditor::finish(QWidget* window)
{
    const auto found = m_sessions.find(window);
    // A second press of "Готово" before the window has gone must not hand the image over twice.
    if (found == m_sessions.end() || found->second.done || !found->second.model)
        return;
    const auto image = found->second.model->render();
    // Closing now would throw the marks away unsaved; the window stays open with them instead.
    if (!image)
        return;
    const ImageHandler handler = found->second.finish;
    QPointer<QWidget> guarded(window);
    if (handler)
        handler(*image);
    if (!guarded)
        return;
    if (const auto still = m_sessions.find(window); still != m_sessions.end())
        still->second.done = true;
    window->close();
}

bool ScreenshotEditor::windowShouldClose(QWidget* window)
{
    const auto found = m_sessions.find(window);
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
    const auto image = session->second.model->render();
    // An image that cannot be made is no reason to lose the marks: the window stays open.
    if (!image)
        return false;
    const ImageHandler handler = session->second.finish;
    if (handler)
        handler(*image);
    return true;
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
