#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TemporaryHome::TemporaryHome()
    : m_dir(QDir::tempPath() + QStringLiteral("/drimo-test-XXXXXX"))
{
}

QByteArray TemporaryHome::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool TemporaryHome::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
