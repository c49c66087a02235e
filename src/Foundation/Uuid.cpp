#include "Foundation/Uuid.h"

#include <QUuid>

#include <algorithm>

namespace Uuid {

QString create()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QString> canonical(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace) {
            if (c != u'-')
                return std::nullopt;
            continue;
        }
        const char16_t u = c.unicode();
        const bool hex = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hex)
            return std::nullopt;
    }
    // Ids are stored canonical already; sharing the text saves a copy per entry of a large history.
    const bool lower = std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'a' && c <= u'f'; });
    return lower ? text.toUpper() : text;
}

} // namespace Uuid
