#include "Platform/Desktop/ProcessesDesktop.h"

#include "Foundation/Scheduler.h"
#include "Platform/Desktop/AreaCaptureCommand.h"
#include "Platform/SystemLog.h"

#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString macCaptureTool = QStringLiteral("/usr/sbin/screencapture");

class RunningProcess final : public Processes::Running {
public:
    explicit RunningProcess(QProcess* process)
        : m_process(process)
    { }
    bool isRunning() const override { return m_process && m_process->state() != QProcess::NotRunning; }
    void terminate() override
    {
        if (m_process)
            m_process->terminate();
    }

private:
    QPointer<QProcess> m_process;
};

// What to run, and the name its messages go under.
struct Resolved {
    QString path;
    QStringList arguments;
    QString name;
};

// A failing tool explains itself in its last lines; a chatty one must not grow without bound meanwhile.
constexpr qsizetype keptErrorBytes = 4096;
constexpr qsizetype loggedErrorLines = 8;

std::optional<Resolved> resolve(
    const QString& program, const QStringList& arguments, AreaCaptureCommand::Session session)
{
    if (program == macCaptureTool && !QFileInfo(program).isExecutable()) {
        if (arguments.isEmpty())
            return std::nullopt;
        const auto command = AreaCaptureCommand::choose(arguments.last(), session,
            [](const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); });
        if (!command)
            return std::nullopt;
        const QString path = QFileInfo(command->program).isAbsolute()
            ? command->program
            : QStandardPaths::findExecutable(command->program);
        return Resolved { path, command->arguments, command->needs.join(u'/') };
    }
    return Resolved { program, arguments, QFileInfo(program).fileName() };
}

} // namespace

ProcessesDesktop::ProcessesDesktop(Scheduler& scheduler, SystemLog& log)
    : m_scheduler(scheduler)
    , m_log(log)
{ }

ProcessesDesktop::~ProcessesDesktop()
{
    // The children are killed as they are destroyed; nobody is left to hear about it.
    for (auto* child : m_children.findChildren<QProcess*>())
        QObject::disconnect(child, nullptr, nullptr, nullptr);
}

std::shared_ptr<Processes::Running> ProcessesDesktop::start(
    const QString& program, const QStringList& arguments, ExitHandler onExit)
{
    const auto resolved = resolve(program, arguments, m_session);
    if (!resolved || !QFileInfo(resolved->path).isExecutable())
        return nullptr;

    auto* process = new QProcess(&m_children);
    process->setProgram(resolved->path);
    process->setArguments(resolved->arguments);
    process->setStandardOutputFile(QProcess::nullDevice());
    auto errors = std::make_shared<QByteArray>();
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, errors] {
        *errors += process->readAllStandardError();
        if (errors->size() > keptErrorBytes)
            errors->remove(0, errors->size() - keptErrorBytes);
    });
    process->start();
    // Start failures are told synchronously; fork and exec take a few milliseconds at most.
    if (!process->waitForStarted()) {
        delete process;
        return nullptr;
    }
    QObject::connect(process, &QProcess::finished, process,
        [this, process, errors, name = resolved->name, onExit = std::move(onExit)](
            int exitCode, QProcess::ExitStatus status) {
            const int exitStatus = status == QProcess::NormalExit ? exitCode : -1;
            *errors += process->readAllStandardError();
            if (exitStatus != 0) {
                const QStringList lines
                    = QString::fromLocal8Bit(errors->right(keptErrorBytes)).split(u'\n', Qt::SkipEmptyParts);
                for (qsizetype i = std::max<qsizetype>(0, lines.size() - loggedErrorLines); i < lines.size();
                     ++i)
                    if (const QString line = lines[i].trimmed(); !line.isEmpty())
                        m_log.write(name + QStringLiteral(": ") + line);
            }
            process->deleteLater();
            if (onExit)
                m_scheduler.post([onExit, exitStatus] { onExit(exitStatus); });
        });
    return std::make_shared<RunningProcess>(process);
}

bool ProcessesDesktop::startDetached(const QString& program, const QStringList& arguments)
{
    if (!QFileInfo(program).isExecutable())
        return false;
    // A child of ours would die with the QProcess that owns it; a detached one belongs to nobody.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}
