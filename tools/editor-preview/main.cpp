// Renders editor windows with each tool in use (blur, arrows, markers), with marks committed and one being
// drawn, and the corner thumbnail over a desktop, to PNG files, for looking at them without a desktop:
// editor-preview OUTPUT_FOLDER [dark]
#include "Platform/Simulated/AlertsSimulated.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "PreviewSession.h"
#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorView.h"
#include "Screenshots/ScreenshotEditor.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"
#include "Screenshots/ThumbnailPanel.h"
#include "Screenshots/ThumbnailView.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>

namespace {

// A screenshot of a made-up document window: a title bar, a sidebar and lines of text worth hiding.
QImage sampleScreenshot(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, width, height);
    desk.setColorAt(0, QColor(64, 110, 170));
    desk.setColorAt(1, QColor(150, 90, 160));
    painter.fillRect(image.rect(), desk);
    const QRectF window(width * 0.06, height * 0.08, width * 0.88, height * 0.84);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRoundedRect(window, 24, 24);
    painter.setBrush(QColor(232, 232, 236));
    painter.drawRoundedRect(QRectF(window.left(), window.top(), window.width(), 90), 24, 24);
    painter.fillRect(QRectF(window.left(), window.top() + 60, window.width(), 30), QColor(232, 232, 236));
    const QColor lights[] = { QColor(255, 95, 87), QColor(254, 188, 46), QColor(40, 200, 64) };
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(lights[i]);
        painter.drawEllipse(QPointF(window.left() + 44 + i * 40, window.top() + 45), 13, 13);
    }
    painter.fillRect(
        QRectF(window.left(), window.top() + 90, 420, window.height() - 90), QColor(242, 242, 246));
    QFont font = QApplication::font();
    font.setPixelSize(34);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 46));
    const char* lines[]
        = { "Счёт № 2026-0412", "Получатель: ООО «Северный ветер»", "ИНН 7701234567, КПП 770101001",
              "Р/с 40702810900000012345", "Сумма к оплате: 184 500,00 ₽",
              "Срок оплаты: 15 декабря", "Контакт: anna.petrova@example.org", "Телефон: +7 916 555-01-23" };
    double y = window.top() + 170;
    for (const char* line : lines) {
        painter.drawText(QPointF(window.left() + 480, y), QString::fromUtf8(line));
        y += 64;
    }
    painter.setPen(QColor(90, 90, 100));
    const char* sidebar[] = { "Входящие", "Отправленные", "Черновики", "Счета", "Архив" };
    y = window.top() + 170;
    for (const char* item : sidebar) {
        painter.drawText(QPointF(window.left() + 50, y), QString::fromUtf8(item));
        y += 64;
    }
    return image;
}

void mouse(AnnotationCanvas* canvas, QEvent::Type type, QPointF canvasPoint)
{
    const QPointF at = canvas->toWidget(canvasPoint);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

// Canvas points across the image rectangle: (0, 0) its bottom-left, (1, 1) its top-right.
QPointF across(AnnotationCanvas* canvas, double x, double y)
{
    const QRectF r = canvas->imageRect();
    return { r.left() + x * r.width(), r.top() + y * r.height() };
}

void drag(AnnotationCanvas* canvas, const std::vector<QPointF>& points, bool release)
{
    mouse(canvas, QEvent::MouseButtonPress, points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        mouse(canvas, QEvent::MouseMove, points[i]);
    if (release)
        mouse(canvas, QEvent::MouseButtonRelease, points.back());
}

std::vector<QPointF> line(AnnotationCanvas* canvas, QPointF from, QPointF to, int steps)
{
    std::vector<QPointF> points;
    for (int i = 0; i <= steps; ++i)
        points.push_back(across(
            canvas, from.x() + (to.x() - from.x()) * i / steps, from.y() + (to.y() - from.y()) * i / steps));
    return points;
}

} // namespace

int main(int argc, char** argv)
{
    PreviewSession::preferOffscreen();
    QApplication app(argc, argv);
    PreviewSession session(QStringLiteral("editor-preview"), QApplication::arguments());
    if (const int failed = session.start())
        return failed;

    AlertsSimulated alerts;
    ScreensSimulated screens;
    WorkspaceSimulated workspace;
    ScreenshotEditor editor(alerts, screens, workspace);
    const QImage picture = sampleScreenshot(2400, 1500);
    const auto shot = std::make_shared<Shot>(picture, ShotRenderer::blurred(picture), 2);
    bool ok = true;
    const auto save = [&](QWidget* window, const QString& name) {
        QApplication::processEvents();
        const auto path = session.picturePath(name);
        ok = window->grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
    };

    QWidget* fresh = editor.open(shot, {}, {});
    save(fresh, QStringLiteral("editor-fresh"));

    QWidget* blur = editor.open(shot, {}, {});
    auto* canvas = editor.view(blur)->canvas();
    QApplication::processEvents();
    drag(canvas, line(canvas, { 0.40, 0.71 }, { 0.78, 0.71 }, 30), true);
    drag(canvas, line(canvas, { 0.40, 0.54 }, { 0.72, 0.54 }, 30), true);
    // One more stroke still being drawn, the brush ring under the pointer.
    drag(canvas, line(canvas, { 0.45, 0.645 }, { 0.60, 0.645 }, 20), false);
    save(blur, QStringLiteral("editor-blur"));

    QWidget* arrows = editor.open(shot, {}, {});
    canvas = editor.view(arrows)->canvas();
    editor.model(arrows)->setTool(EditorModel::Tool::Arrow);
    QApplication::processEvents();
    drag(canvas, line(canvas, { 0.20, 0.20 }, { 0.38, 0.44 }, 10), true);
    drag(canvas, line(canvas, { 0.90, 0.85 }, { 0.80, 0.72 }, 10), false);
    save(arrows, QStringLiteral("editor-arrow"));

    QWidget* numbers = editor.open(shot, {}, {});
    canvas = editor.view(numbers)->canvas();
    editor.model(numbers)->setTool(EditorModel::Tool::Number);
    QApplication::processEvents();
    for (double y : { 0.78, 0.64, 0.50 }) {
        mouse(canvas, QEvent::MouseButtonPress, across(canvas, 0.36, y));
        mouse(canvas, QEvent::MouseButtonRelease, across(canvas, 0.36, y));
    }
    editor.model(numbers)->undo();
    save(numbers, QStringLiteral("editor-number"));

    // Every kind of mark at once, as a finished edit looks: the account and the phone hidden, the sum and
    // the date numbered, an arrow at the sum.
    QWidget* marked = editor.open(shot, {}, {});
    canvas = editor.view(marked)->canvas();
    QApplication::processEvents();
    drag(canvas, line(canvas, { 0.315, 0.687 }, { 0.44, 0.687 }, 30), true);
    drag(canvas, line(canvas, { 0.365, 0.516 }, { 0.44, 0.516 }, 30), true);
    editor.model(marked)->setTool(EditorModel::Tool::Number);
    for (const QPointF at : { QPointF(0.505, 0.644), QPointF(0.495, 0.601) }) {
        mouse(canvas, QEvent::MouseButtonPress, across(canvas, at.x(), at.y()));
        mouse(canvas, QEvent::MouseButtonRelease, across(canvas, at.x(), at.y()));
    }
    editor.model(marked)->setTool(EditorModel::Tool::Arrow);
    drag(canvas, line(canvas, { 0.76, 0.44 }, { 0.54, 0.62 }, 10), true);
    save(marked, QStringLiteral("editor-marks"));

    // The thumbnail in the bottom-right corner of the screen the shot was taken of.
    ThumbnailView thumbnail(ThumbnailPanel::thumbnailSize(picture.size()).toSize(), shot);
    // Drawn without being shown: a shown window under the offscreen pointer would count as hovered and
    // show its close button.
    const QSize corner(560, 340);
    QImage screen(corner, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&screen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The shot stands for the screen it shows, at its own scale.
    const QSizeF shown = QSizeF(picture.size()) / shot->scale();
    painter.drawImage(
        QRectF(QPointF(corner.width() - shown.width(), corner.height() - shown.height()), shown), picture);
    thumbnail.render(&painter,
        QPoint(corner.width(), corner.height()) - QPoint(20, 20)
            - QPoint(thumbnail.width(), thumbnail.height()),
        QRegion(), QWidget::DrawChildren);
    painter.end();
    const auto thumbnailPath = session.picturePath(QStringLiteral("thumbnail"));
    ok = screen.save(thumbnailPath, "PNG") && ok;
    std::printf("%s\n", qPrintable(thumbnailPath));

    // A small shot: the window opens as narrow as its toolbar allows.
    const QImage small = picture.scaled(400, 250, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QWidget* narrow = editor.open(std::make_shared<Shot>(small, ShotRenderer::blurred(small), 2), {}, {});
    save(narrow, QStringLiteral("editor-small"));
    return ok ? 0 : 1;
}
