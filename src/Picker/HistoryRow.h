#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QStringList>

#include <optional>

class QPainter;
class QPalette;

// One line of the picker: number, thumbnail or kind symbol, preview and relative date, left-aligned.
struct HistoryRow {
    static constexpr double height = 50;
    static constexpr double padding = 8;
    static constexpr double spacing = 10;
    static constexpr double numberWidth = 12;
    static constexpr double iconSize = 34;

    ClipboardItem item;
    int number = 1;
    bool selected = false;
    std::optional<QImage> thumbnail;
    QString dateText;

    struct Geometry {
        QRectF number;
        QRectF icon;
        QRectF text; // the column of preview and date
    };
    static Geometry geometry(const QRectF& rect);

    // Text entries show up to two lines, images and files one; what does not fit ends in an ellipsis.
    int maximumPreviewLines() const { return item.kind == ClipboardItem::Kind::Text ? 2 : 1; }
    QStringList previewLines(double width) const;

    // Size 11 semibold, smaller only for numbers too wide for their box and its margins.
    QFont numberFont() const;

    void paint(QPainter& painter, const QRectF& rect, const QPalette& palette) const;
};
