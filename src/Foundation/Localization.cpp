#include "Foundation/Localization.h"

#include <QCoreApplication>

namespace Localization {

QString text(const char* key)
{
    return QCoreApplication::translate("DrimoCopy", key);
}

QLocale locale()
{
    return QLocale(QLocale::Russian, QLocale::Russia);
}

QString format(const char* key, const QStringList& arguments)
{
    const QString pattern = text(key);
    QString result;
    result.reserve(pattern.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) == u'%') {
            if (pattern.mid(i, 2) == u"%@") {
                result += next < arguments.size() ? arguments.at(next++) : QString();
                i += 1;
                continue;
            }
            if (pattern.mid(i, 3) == u"%ld") {
                result += next < arguments.size() ? arguments.at(next++) : QString();
                i += 2;
                continue;
            }
        }
        result += pattern.at(i);
    }
    return result;
}

} // namespace Localization
