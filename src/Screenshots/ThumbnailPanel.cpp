#include "Screenshots/ThumbnailPanel.h"

#include "Foundation/Scheduler.h"
#include "Platform/Screens.h"
#include "Screenshots/PanelShadow.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ThumbnailView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr double frameInterval = 1.0 / 60;

double easeInOut(double t)
{
    return t * t * (3 - 2 * t);
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

ThumbnailPanel::ThumbnailPanel(Scheduler& scheduler, Screens& screens)
    : m_scheduler(scheduler)
    , m_screens(screens)
{ }

ThumbnailPanel::~ThumbnailPanel()
{
    close();
}

QSizeF ThumbnailPanel::thumbnailSize(QSize pixels)
{
    const double aspect = pixels.width() / static_cast<double>(std::max(pixels.height(), 1));
    const double height = 220 / aspect;
    if (height > 150)
        return { 150 * aspect, 150 };
    return { 220, height };
}

ThumbnailView* ThumbnailPanel::view() const
{
    return m_panel ? m_panel->findChild<ThumbnailView*>() : nullptr;
}

void ThumbnailPanel::show(std::shared_ptr<Shot> shot, std::function<void()> onOpen, QImage prepared)
{
    close();
    if (!shot)
        return;
    const QSizeF size = thumbnailSize(shot->image().size());

    auto* panel = new QWidget(nullptr,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    auto* view = new ThumbnailView(size.toSize(), std::move(shot), panel, std::move(prepared));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    m_shadowOffset = m_screens.panelsNeedOwnShadow() ? PanelShadow::apply(*panel, ThumbnailView::cornerRadius)
                                                     : QPoint();
    // Of fixed size: a Wayland compositor, which places the window itself, then keeps it floating.
    panel->setFixedSize(size.toSize() + 2 * QSize(m_shadowOffset.x(), m_shadowOffset.y()));
    // Where the compositor gives it the keyboard all the same, it hands it back at the first key.
    panel->installEventFilter(this);

    QPointer<ThumbnailPanel> self(this);
    view->onClick = [self, onOpen = std::move(onOpen)] {
        if (!self)
            return;
        self->close();
        if (onOpen)
            onOpen();
    };
    view->onClose = [self] {
        if (self)
            self->close();
    };
    view->onHover = [self](bool inside) {
        if (self)
            self->hover(inside);
    };
    view->onDragEnd = [self] {
        if (self)
            self->close();
    };

    // The screen under the pointer, else the main one; its area without menu bar and dock.
    const QRectF visible = m_screens.visibleAreaAt(m_screens.mouseLocation());

    const QPointF origin(visible.right() - size.width() - margin, visible.top() + margin);
    m_panel = panel;
    m_fading = false;
    m_restingFrame = QRectF(origin, size);
    place(QRectF(origin + QPointF(slideDistance, 0), size), 0);
    panel->show();
    animate(slideDuration, [this, origin, size](double t) {
        place(QRectF(origin + QPointF(slideDistance * (1 - t), 0), size), t);
    });
    scheduleHide(hideAfterShowing);
}

void ThumbnailPanel::close()
{
    m_hideTask.cancel();
    m_frameTask.cancel();
    ++m_animation;
    m_fading = false;
    if (!m_panel)
        return;
    QWidget* panel = m_panel;
    m_panel = nullptr;
    panel->hide();
    // Often called from the view's own mouse handler: the widgets must outlive the event being handled.
    panel->deleteLater();
}

bool ThumbnailPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_panel || event->type() != QEvent::KeyPress)
        return false;
    ThumbnailView* shown = view();
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Return opens the editor as a click does; any other key, Escape or the next one typed, closes the
    // thumbnail, and the compositor gives the keyboard back to the window that had it. That key is spent
    // here: better one key than every key until the thumbnail hides.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && shown)
        shown->onClick();
    else
        close();
    return true;
}

void ThumbnailPanel::scheduleHide(double delay)
{
    m_hideTask.cancel();
    QPointer<ThumbnailPanel> self(this);
    const QPointer<QWidget> panel = m_panel;
    m_hideTask = m_scheduler.after(delay, [self, panel](bool cancelled) {
        if (cancelled || !self || !panel || self->m_panel != panel)
            return;
        self->m_fading = true;
        self->animate(fadeDuration, [raw = self.data()](double t) { raw->place(raw->m_frame, 1 - t); });
        self->m_hideTask = self->m_scheduler.after(closeAfterFade, [self, panel](bool cancelled) {
            // Compares panels: a hide started for an earlier thumbnail never closes a newer one.
            if (!cancelled && self && panel && self->m_panel == panel)
                self->close();
        });
    });
}

void ThumbnailPanel::hover(bool inside)
{
    if (!inside) {
        scheduleHide(hideAfterLeaving);
        return;
    }
    m_hideTask.cancel();
    if (m_fading) {
        // The pointer caught the thumbnail while it faded: it comes back fully.
        m_fading = false;
        ++m_animation;
        m_frameTask.cancel();
        place(m_frame, 1);
    }
}

void ThumbnailPanel::place(QRectF frame, double alpha)
{
    m_frame = frame;
    m_alpha = alpha;
    // A Wayland compositor places windows itself and fades none on a client's word.
    if (!m_panel || onWayland())
        return;
    m_panel->move(m_screens.windowPosition(frame) - m_shadowOffset);
    m_panel->setWindowOpacity(alpha);
}

void ThumbnailPanel::animate(double duration, Step step)
{
    m_frameTask.cancel();
    // Nothing would move: straight to the end.
    if (onWayland()) {
        ++m_animation;
        return step(1);
    }
    animationFrame(++m_animation, m_scheduler.now(), duration, step);
}

void ThumbnailPanel::animationFrame(int generation, double start, double duration, const Step& step)
{
    if (generation != m_animation || !m_panel)
        return;
    // A clock that stops a hair short of the end (rounding) still ends the animation.
    const double remaining = start + duration - m_scheduler.now();
    const double t = remaining > 1e-9 ? std::clamp(1 - remaining / duration, 0.0, 1.0) : 1.0;
    step(easeInOut(t));
    if (t >= 1)
        return;
    QPointer<ThumbnailPanel> self(this);
    // The last frame falls exactly on the end.
    m_frameTask = m_scheduler.after(std::clamp(remaining, 1e-6, frameInterval),
        [self, generation, start, duration, step](bool cancelled) {
            if (!cancelled && self)
                self->animationFrame(generation, start, duration, step);
        });
}
