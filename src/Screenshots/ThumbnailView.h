#pragma once

#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QMimeData;
class QToolButton;
class Shot;

// The corner thumbnail's content: the shot filling a rounded frame, a close button that shows while the
// pointer is over it, a click that opens the editor and a drag that offers the screenshot to other programs.
class ThumbnailView final : public QWidget {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 10;

    // Runs a drag with the given content and picture, the pointer holding the picture at `hotSpot`; returns
    // what the drop target did (Qt::IgnoreAction when the drop was refused or cancelled).
    using DragRunner = std::function<Qt::DropAction(
        std::unique_ptr<QMimeData> content, const QPixmap& picture, QPoint hotSpot)>;

    // Moves beyond this distance in points, from where the press started, turn a click into a drag.
    static constexpr double dragThreshold = 4;

    // `prepared` is the shot's picture made ahead by `picture` for this view; when its size is not what the
    // view needs, the view makes its own.
    ThumbnailView(QSize size, std::shared_ptr<Shot> shot, QWidget* parent = nullptr, QImage prepared = {});
    ~ThumbnailView() override;

    std::function<void()> onClick = [] {};
    std::function<void()> onClose = [] {};
    std::function<void(bool inside)> onHover = [](bool) {};
    std::function<void()> onDragEnd = [] {};
    // A real drag through the window system unless replaced.
    DragRunner runDrag;

    const std::shared_ptr<Shot>& shot() const { return m_shot; }
    QToolButton* closeButton() const { return m_closeButton; }
    bool isDragging() const { return m_dragging; }

    // The picture scaled to fill `size` points at `pixelRatio` pixels per point, its middle kept: slow for a
    // large picture, and safe on any thread.
    static QImage picture(const QImage& image, QSize size, double pixelRatio);

    // What a drag offers: the shot's file when it has one, otherwise the picture itself.
    static std::unique_ptr<QMimeData> dragContent(const Shot& shot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startDrag(QPointF at);

    std::shared_ptr<Shot> m_shot;
    QPixmap m_picture; // the shot scaled to fill the view, made once
    QToolButton* m_closeButton;
    std::optional<QPointF> m_downPoint; // window coordinates of the current press
    bool m_dragging = false;
};
