#include "Platform/Desktop/LoginItemServiceDesktop.h"

#include "Foundation/AtomicFile.h"
#include "Platform/Desktop/StandardPathsDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Exec= arguments are quoted when they hold anything but plain characters; inside quotes the backslash,
// double quote, backtick and dollar are escaped, and a literal percent sign is doubled everywhere.
QString execArgument(const QString& path)
{
    QString escaped;
    bool needsQuotes = false;
    for (const QChar c : path) {
        if (c == QLatin1Char('%')) {
            escaped += QStringLiteral("%%");
            continue;
        }
        if (QStringLiteral(" \t\n\"'\\><~|&;$*?#()`").contains(c))
            needsQuotes = true;
        if (QStringLiteral("\"`$\\").contains(c))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return needsQuotes ? QLatin1Char('"') + escaped + QLatin1Char('"') : escaped;
}

} // namespace

LoginItemServiceDesktop::LoginItemServiceDesktop(QString executable)
    : m_executable(std::move(executable))
{ }

QString LoginItemServiceDesktop::entryPath() const
{
    return StandardPathsDesktop().configuration() + QStringLiteral("/autostart/com.drimo.copy.desktop");
}

QByteArray LoginItemServiceDesktop::entry(const QString& executable)
{
    // Desktop entry values escape backslashes once more on top of the Exec quoting.
    QString exec = execArgument(executable);
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    exec.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Drimo Copy\n"
                          "Exec=%1\n"
                          "Icon=com.drimo.copy\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec)
        .toUtf8();
}

LoginItemService::Result LoginItemServiceDesktop::registerApp()
{
    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return { false, QStringLiteral("cannot create the folder %1").arg(folder) };
    if (!AtomicFile::write(path, entry(m_executable)))
        return { false, QStringLiteral("cannot write %1").arg(path) };
    return {};
}

LoginItemService::Result LoginItemServiceDesktop::unregisterApp()
{
    QFile file(entryPath());
    if (!file.exists())
        return {};
    if (!file.remove())
        return { false, QStringLiteral("cannot remove %1: %2").arg(file.fileName(), file.errorString()) };
    return {};
}

LoginItemService::Status LoginItemServiceDesktop::status() const
{
    QFile file(entryPath());
    if (!file.exists())
        return Status::NotRegistered;
    if (!file.open(QIODevice::ReadOnly))
        return Status::NotFound;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith("Hidden")) {
            const int equals = line.indexOf('=');
            if (equals > 0 && line.left(equals).trimmed() == "Hidden"
                && line.mid(equals + 1).trimmed() == "true")
                return Status::NotRegistered;
        }
    }
    return Status::Enabled;
}
