#pragma once

#include <QTemporaryDir>

#include <QByteArray>
#include <QString>

// A fresh temporary folder standing in for the user's home, removed when the test ends.
class TemporaryHome final {
public:
    TemporaryHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }

    static QByteArray readFile(const QString& path);
    static bool writeFile(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir m_dir;
};
