#include "ScreenshotBenchSupport.h"

#include <QPainter>
#include <QRandomGenerator>

const QImage& fiveKScreen()
{
    static const QImage screen = [] {
        QImage image(5120, 2880, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 5120, 2880);
        sky.setColorAt(0, QColor(30, 60, 120));
        sky.setColorAt(1, QColor(200, 120, 90));
        painter.fillRect(image.rect(), sky);
        painter.fillRect(400, 300, 3000, 2200, QColor(250, 250, 250));
        painter.fillRect(400, 300, 3000, 80, QColor(225, 225, 228));
        QFont font;
        font.setPixelSize(28);
        painter.setFont(font);
        painter.setPen(QColor(30, 30, 30));
        for (int line = 0; line < 60; ++line)
            painter.drawText(460, 440 + line * 34,
                QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog, съешь же ещё этих "
                               "мягких французских булок, да выпей чаю. 0123456789")
                    .arg(line));
        painter.end();
        QRandomGenerator random(5);
        // A photo: smooth shading with a little grain.
        for (int y = 600; y < 1400; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 3700; x < 4900; ++x) {
                const int base = (x - 3700) / 6 + (y - 600) / 5;
                row[x] = qRgb((base + random.bounded(6)) & 255, (base / 2 + random.bounded(6)) & 255, 128);
            }
        }
        return image;
    }();
    return screen;
}
