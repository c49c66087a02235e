#pragma once

#include "Foundation/TaskHandle.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <memory>

class Scheduler;
class Screens;
class Shot;
class ThumbnailView;

// The screenshot preview in the bottom-right corner: slides in, hides by itself after a while unless the
// pointer rests on it, opens the editor on a click. At most one is shown. Every delay and animation runs on
// the Scheduler. It never asks for the keyboard; where a compositor gives it the keyboard anyway, Return
// opens the editor and any other key closes it.
class ThumbnailPanel final : public QObject {
    Q_OBJECT
public:
    static constexpr double margin = 20;
    static constexpr double slideDistance = 36;
    static constexpr double slideDuration = 0.22;
    static constexpr double fadeDuration = 0.25;
    static constexpr double closeAfterFade = 0.28;
    static constexpr double hideAfterShowing = 6;
    static constexpr double hideAfterLeaving = 4;

    ThumbnailPanel(Scheduler& scheduler, Screens& screens);
    ~ThumbnailPanel() override;

    // Replaces any thumbnail shown. `onOpen` runs when the user clicks the thumbnail (it closes first).
    // `prepared` is the shot's picture made ahead for the view (see ThumbnailView), when there is one.
    void show(std::shared_ptr<Shot> shot, std::function<void()> onOpen, QImage prepared = {});
    // Cancels the pending hide and removes the thumbnail; harmless when none is shown.
    void close();

    // Fits the shot's proportions into 220 × 150 points.
    static QSizeF thumbnailSize(QSize pixels);

    // The window shown, or null.
    QWidget* panel() const { return m_panel; }
    ThumbnailView* view() const;
    // Where the panel is, in desktop coordinates (origin bottom-left, y up), and how opaque.
    QRectF frame() const { return m_frame; }
    // Where the panel ends its slide, in the same coordinates.
    QRectF restingFrame() const { return m_restingFrame; }
    double alpha() const { return m_alpha; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Step = std::function<void(double progress)>;

    void scheduleHide(double delay);
    void hover(bool inside);
    void place(QRectF frame, double alpha);
    void animate(double duration, Step step);
    void animationFrame(int generation, double start, double duration, const Step& step);

    Scheduler& m_scheduler;
    Screens& m_screens;
    QPointer<QWidget> m_panel;
    // From the window's corner to the thumbnail's body, where the window carries the body's shadow.
    QPoint m_shadowOffset;
    TaskHandle m_hideTask;
    TaskHandle m_frameTask;
    int m_animation = 0; // bumped to stop the running animation
    bool m_fading = false;
    QRectF m_frame;
    QRectF m_restingFrame;
    double m_alpha = 0;
};
