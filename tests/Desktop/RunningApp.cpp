#include "Desktop/RunningApp.h"

#include "Clipboard/HistoryIndex.h"
#include "Desktop/DesktopSession.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

RunningApp::RunningApp(
    const QTemporaryDir& home, const Environment& environment, const QByteArray& settings, bool startNow)
    : m_home(home.path())
{
    if (!settings.isEmpty()) {
        QDir().mkpath(m_home + QStringLiteral("/config/com.drimo.copy"));
        QFile stored(m_home + QStringLiteral("/config/com.drimo.copy/com.drimo.copy.json"));
        if (stored.open(QIODevice::WriteOnly))
            stored.write(settings);
    }
    QDir().mkpath(m_home + QStringLiteral("/run"));
    ::chmod(QFile::encodeName(m_home + QStringLiteral("/run")).constData(), 0700);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home + QStringLiteral("/run"));
    env.insert(QStringLiteral("TMPDIR"), m_home);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    if (startNow)
        start();
}

RunningApp::~RunningApp()
{
    kill();
}

bool RunningApp::start(const QStringList& arguments)
{
    m_process.start(QStringLiteral(DRIMO_COPY), arguments);
    m_pid = m_process.processId();
    return started();
}

void RunningApp::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool RunningApp::started()
{
    return m_process.waitForStarted(5000) && m_process.state() == QProcess::Running;
}

bool RunningApp::waitForExit(int milliseconds)
{
    return DesktopSession::spinUntil([&] { return m_process.state() == QProcess::NotRunning; }, milliseconds);
}

std::optional<int> RunningApp::exitCode(int milliseconds)
{
    if (!waitForExit(milliseconds))
        return std::nullopt;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString RunningApp::output()
{
    m_output += QString::fromUtf8(m_process.readAll());
    return m_output;
}

bool RunningApp::recording()
{
    return started()
        && DesktopSession::spinUntil(
            [&] { return output().contains(QStringLiteral("records the clipboard into")); }, 8000);
}

QString RunningApp::historyFolder() const
{
    return m_home + QStringLiteral("/data/com.drimo.copy/History");
}

QByteArray RunningApp::entryFile(const QString& id, const QString& name) const
{
    QFile file(historyFolder() + u'/' + id + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<std::vector<ClipboardItem>> RunningApp::index() const
{
    QFile file(historyFolder() + QStringLiteral("/index.json"));
    if (!file.open(QIODevice::ReadOnly))
        return std::vector<ClipboardItem> {};
    return HistoryIndex::decode(file.readAll());
}

QString RunningApp::desktop() const
{
    return m_home + QStringLiteral("/Desktop");
}

QString RunningApp::temporary() const
{
    return m_home + QStringLiteral("/run/drimo-copy");
}
