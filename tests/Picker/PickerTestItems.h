#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QString>

#include <vector>

// History entries for picker tests: ids "ID-<n>", dates one minute apart, newest first.
inline ClipboardItem pickerItem(
    int n, const QString& preview, ClipboardItem::Kind kind = ClipboardItem::Kind::Text)
{
    ClipboardItem item;
    item.id = QStringLiteral("ID-%1").arg(n);
    item.date = 800'000'000.0 - 60.0 * n;
    item.kind = kind;
    item.preview = preview;
    item.itemTypes = { { kind == ClipboardItem::Kind::Text ? QStringLiteral("public.utf8-plain-text")
                                                           : QStringLiteral("public.png") } };
    item.fingerprint = QString(64, QLatin1Char('0' + n % 10));
    return item;
}

inline QList<ClipboardItem> pickerItems(int count)
{
    QList<ClipboardItem> items;
    for (int n = 0; n < count; ++n)
        items.push_back(pickerItem(n, QStringLiteral("Запись номер %1").arg(n + 1)));
    return items;
}
