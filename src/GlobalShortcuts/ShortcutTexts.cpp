#include "GlobalShortcuts/ShortcutTexts.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

// Outside any namespace, as the resource's registration function is.
static void initResources()
{
    Q_INIT_RESOURCE(GlobalShortcutsResources);
}

namespace GlobalShortcuts::ShortcutTexts {
namespace {

const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> texts = [] {
        // A library's resources are linked in only when something refers to them.
        initResources();
        QHash<QString, QString> texts;
        QFile file(QStringLiteral(":/GlobalShortcuts/ru.json"));
        if (!file.open(QIODevice::ReadOnly))
            return texts;
        const auto object = QJsonDocument::fromJson(file.readAll()).object();
        for (auto it = object.begin(); it != object.end(); ++it)
            texts.insert(it.key(), it.value().toString());
        return texts;
    }();
    return texts;
}

} // namespace

QString text(const char* key)
{
    const auto name = QString::fromLatin1(key);
    return table().value(name, name);
}

QString format(const char* key, const QString& argument)
{
    auto result = text(key);
    const auto at = result.indexOf(QLatin1String("%@"));
    if (at >= 0)
        result.replace(at, 2, argument);
    return result;
}

} // namespace GlobalShortcuts::ShortcutTexts
