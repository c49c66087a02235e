#include "Screenshots/ThumbnailView.h"

#include "Foundation/Localization.h"
#include "Screenshots/Shot.h"

#include <QCoreApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <cmath>

namespace {

constexpr double borderWidth = 2;
constexpr int dropDataLifetimeMs = 60'000;

// A filled white circle with the cross cut out of it.
QIcon closeIcon()
{
    QPixmap pixmap(40, 40);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(1, 1, 18, 18));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(7, 7), QPointF(13, 13));
    painter.drawLine(QPointF(13, 7), QPointF(7, 13));
    return QIcon(pixmap);
}

QSize pixelsFor(QSize size, double pixelRatio)
{
    return (QSizeF(size) * pixelRatio).toSize().expandedTo(QSize(1, 1));
}

Qt::DropAction systemDrag(
    QWidget* source, std::unique_ptr<QMimeData> content, const QPixmap& picture, QPoint hotSpot)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(content.release());
    drag->setPixmap(picture);
    drag->setHotSpot(hotSpot);
    const Qt::DropAction result = drag->exec(Qt::CopyAction, Qt::CopyAction);
    // Another program fetches the dropped data after the drag has returned, and an accepted drop closes
    // the thumbnail: the data must outlive the view. Qt lets the drag go once the drop is done; the timer
    // is for a target that never says so.
    drag->setParent(QCoreApplication::instance());
    QTimer::singleShot(dropDataLifetimeMs, drag, &QObject::deleteLater);
    return result;
}

} // namespace

ThumbnailView::ThumbnailView(QSize size, std::shared_ptr<Shot> shot, QWidget* parent, QImage prepared)
    : QWidget(parent)
    , m_shot(std::move(shot))
    , m_closeButton(new QToolButton(this))
{
    resize(size);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setToolTip(Localization::text("Щелчок — изменить. Перетащите в другую программу, чтобы вставить."));
    const double pixelRatio = devicePixelRatio();
    if (prepared.size() != pixelsFor(size, pixelRatio))
        prepared = picture(m_shot->image(), size, pixelRatio);
    m_picture = QPixmap::fromImage(prepared);
    m_picture.setDevicePixelRatio(pixelRatio);

    m_closeButton->setIcon(closeIcon());
    m_closeButton->setIconSize(QSize(20, 20));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    m_closeButton->setAccessibleName(Localization::text("Закрыть"));
    m_closeButton->setGeometry(6, 6, 20, 20);
    m_closeButton->hide();
    connect(m_closeButton, &QToolButton::clicked, this, [this] { onClose(); });

    runDrag = [this](std::unique_ptr<QMimeData> content, const QPixmap& picture, QPoint hotSpot) {
        return systemDrag(this, std::move(content), picture, hotSpot);
    };
}

ThumbnailView::~ThumbnailView() = default;

QImage ThumbnailView::picture(const QImage& image, QSize size, double pixelRatio)
{
    const QSize pixels = pixelsFor(size, pixelRatio);
    const QImage scaled = image.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QRect middle(
        QPoint((scaled.width() - pixels.width()) / 2, (scaled.height() - pixels.height()) / 2), pixels);
    return scaled.copy(middle);
}

std::unique_ptr<QMimeData> ThumbnailView::dragContent(const Shot& shot)
{
    auto content = std::make_unique<QMimeData>();
    if (shot.file())
        content->setUrls({ QUrl::fromLocalFile(*shot.file()) });
    else
        content->setImageData(shot.image());
    return content;
}

void ThumbnailView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(rounded);
    painter.drawPixmap(rect(), m_picture);
    painter.setClipping(false);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.9f), borderWidth));
    painter.setBrush(Qt::NoBrush);
    const double inset = borderWidth / 2;
    painter.drawRoundedRect(
        QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius - inset, cornerRadius - inset);
}

void ThumbnailView::enterEvent(QEnterEvent*)
{
    m_closeButton->show();
    onHover(true);
}

void ThumbnailView::leaveEvent(QEvent*)
{
    m_closeButton->hide();
    onHover(false);
}

void ThumbnailView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_downPoint = event->scenePosition();
    m_dragging = false;
}

void ThumbnailView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging || !m_downPoint)
        return;
    const QPointF moved = event->scenePosition() - *m_downPoint;
    if (std::hypot(moved.x(), moved.y()) > dragThreshold)
        startDrag(event->position());
}

void ThumbnailView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = m_downPoint && !m_dragging;
    m_downPoint.reset();
    if (clicked)
        onClick();
}

void ThumbnailView::startDrag(QPointF at)
{
    m_dragging = true;
    // The press now belongs to the drag: its release, if it still arrives, is no click.
    m_downPoint.reset();
    const Qt::DropAction result = runDrag(dragContent(*m_shot), m_picture, at.toPoint());
    m_dragging = false;
    if (result != Qt::IgnoreAction)
        onDragEnd();
}
