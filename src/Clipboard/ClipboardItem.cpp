#include "Clipboard/ClipboardItem.h"

QString ClipboardItem::rawValue(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return QStringLiteral("text");
    case Kind::Image:
        return QStringLiteral("image");
    case Kind::Files:
        return QStringLiteral("files");
    }
    return {};
}

std::optional<ClipboardItem::Kind> ClipboardItem::kindFromRawValue(const QString& raw)
{
    if (raw == u"text")
        return Kind::Text;
    if (raw == u"image")
        return Kind::Image;
    if (raw == u"files")
        return Kind::Files;
    return std::nullopt;
}
