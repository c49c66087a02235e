// Renders the history picker with sample histories (empty, three entries, twenty entries, a search, and
// under a text caret) to PNG files, for looking at the layout without a desktop:
// picker-preview OUTPUT_FOLDER [dark] [shadow] [linux]
#include "Picker/HistoryPanel.h"
#include "Picker/HistoryPickerView.h"
#include "Picker/KeyablePanel.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "PreviewSession.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {

const double now = 800'000'000.0;

ClipboardItem entry(int n, ClipboardItem::Kind kind, const QString& preview, double ageSeconds)
{
    ClipboardItem item;
    item.id = QStringLiteral("PREVIEW-%1").arg(n);
    item.kind = kind;
    item.preview = preview;
    item.date = now - ageSeconds;
    return item;
}

QList<ClipboardItem> sampleHistory(int count)
{
    using Kind = ClipboardItem::Kind;
    const QList<ClipboardItem> samples {
        entry(0, Kind::Text,
            QStringLiteral("Встреча перенесена на четверг, 15:30. Захвати, пожалуйста, распечатку отчёта."),
            40),
        entry(1, Kind::Image, QStringLiteral("Изображение 1280 × 720"), 5 * 60),
        entry(2, Kind::Files, QStringLiteral("Отчёт за квартал.pdf, Смета 2026.xlsx"), 3 * 3600),
        entry(3, Kind::Text, QStringLiteral("git rebase -i origin/main\ngit push --force-with-lease"),
            26 * 3600),
        entry(4, Kind::Text, QStringLiteral("https://example.org/docs/clipboard?lang=ru"), 2 * 86400),
        entry(5, Kind::Image, QStringLiteral("Снимок экрана 2026-03-14 в 10.42.17"), 9 * 86400),
        entry(6, Kind::Text, QStringLiteral("Москва, ул. Тверская, д. 7, кв. 12"), 40 * 86400),
        entry(7, Kind::Text, QStringLiteral("Hello, world! Привет, мир!"), 400 * 86400),
    };
    QList<ClipboardItem> items;
    for (int n = 0; n < count; ++n) {
        auto item = samples[static_cast<size_t>(n) % samples.size()];
        item.id = QStringLiteral("PREVIEW-%1").arg(n);
        item.date -= n * 3600.0;
        items.push_back(item);
    }
    return items;
}

std::optional<QImage> sampleThumbnail(const ClipboardItem& item)
{
    if (item.kind != ClipboardItem::Kind::Image)
        return std::nullopt;
    QImage image(96, 64, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(88, 156, 230));
    sky.setColorAt(1, QColor(190, 222, 250));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(70, 140, 80));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(30, 80), 60, 36);
    painter.setBrush(QColor(250, 210, 90));
    painter.drawEllipse(QPointF(74, 16), 9, 9);
    return image;
}

bool render(HistoryPanel& panel, const QString& path)
{
    QApplication::processEvents();
    auto* window = panel.window();
    const auto picker = window->grab();
    // A plain desktop behind it, so the translucent corners and the border read as they would on screen.
    QImage canvas(
        picker.size() + QSize(48, 48) * picker.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(picker.devicePixelRatio());
    QPainter painter(&canvas);
    QLinearGradient desktop(0, 0, 0, canvas.height());
    desktop.setColorAt(0, QColor(206, 214, 226));
    desktop.setColorAt(1, QColor(168, 182, 204));
    painter.fillRect(QRect(QPoint(), canvas.size()), desktop);
    painter.drawPixmap(QPointF(24, 24), picker);
    painter.end();
    return canvas.save(path, "PNG");
}

// The picker as a user meets it: open under the caret of a line being typed in a document.
bool renderAtCaret(HistoryPanel& panel, const QString& path)
{
    QApplication::processEvents();
    const auto picker = panel.window()->grab();
    const double ratio = picker.devicePixelRatio();
    QFont font = QApplication::font();
    font.setPixelSize(15);
    const QString typed = QStringLiteral("Адрес для встречи: ");
    const QPointF caret(32 + QFontMetricsF(font).horizontalAdvance(typed), 26);
    const QSizeF size(caret.x() + picker.width() / ratio + 24, caret.y() + 30 + picker.height() / ratio + 24);
    QImage canvas((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    const QPalette palette = QApplication::palette();
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(), size), palette.color(QPalette::Base));
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QPointF(32, caret.y() + 15), typed);
    painter.fillRect(QRectF(caret, QSizeF(1.5, 20)), palette.color(QPalette::Text));
    painter.drawPixmap(QPointF(caret.x() - 8, caret.y() + 28), picker);
    painter.end();
    return canvas.save(path, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    PreviewSession::preferOffscreen();
    QApplication app(argc, argv);
    // The pictures keep one name whether dark or light, so a dark run wants a folder of its own.
    PreviewSession session(
        QStringLiteral("picker-preview"), QApplication::arguments(), QStringLiteral("[shadow] [linux]"));
    if (const int failed = session.start())
        return failed;

    ScreensSimulated screens;
    // As on a desktop whose compositor leaves the shadow to the panel.
    screens.setPanelsNeedOwnShadow(app.arguments().contains(QStringLiteral("shadow")));
    // The key hints as a Linux desktop writes them.
    const bool onLinux = app.arguments().contains(QStringLiteral("linux"));
    HistoryPanel panel(
        screens, [] { return QRectF(200, 700, 1, 18); }, [] { return now; },
        onLinux ? SystemFamily::Linux : SystemFamily::MacOS);
    bool ok = true;
    const auto shot = [&](const QList<ClipboardItem>& items, const QString& name, const QString& query = {},
                          int selection = 0) {
        panel.show(items, sampleThumbnail, nullptr, nullptr);
        if (!query.isEmpty())
            panel.model().setQuery(query);
        panel.model().setSelection(selection);
        const auto path = session.folder().filePath(name);
        ok = render(panel, path) && ok;
        std::printf("%s\n", qPrintable(path));
    };
    shot({}, QStringLiteral("picker-0.png"));
    shot(sampleHistory(3), QStringLiteral("picker-3.png"), {}, 1);
    shot(sampleHistory(20), QStringLiteral("picker-20.png"), {}, 2);
    shot(sampleHistory(20), QStringLiteral("picker-20-search.png"), QStringLiteral("МИР"));
    shot(sampleHistory(3), QStringLiteral("picker-3-nothing-found.png"), QStringLiteral("жираф"));
    panel.show(sampleHistory(8), sampleThumbnail, nullptr, nullptr);
    const auto atCaret = session.folder().filePath(QStringLiteral("picker-at-caret.png"));
    ok = renderAtCaret(panel, atCaret) && ok;
    std::printf("%s\n", qPrintable(atCaret));
    // Deep in a long history the row numbers grow to five digits.
    shot(sampleHistory(10'000), QStringLiteral("picker-10000-end.png"), {}, 9'998);
    return ok ? 0 : 1;
}
