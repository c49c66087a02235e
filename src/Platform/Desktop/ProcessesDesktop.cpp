#include "Platform/Desktop/ProcessesDesktop.h"

#include "Foundation/Scheduler.h"
#include "Platform/Desktop/AreaCaptureCommand.h"

#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

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

std::optional<std::pair<QString, QStringList>> resolve(const QString& program, const QStringList& arguments)
{
    if (program == macCaptureTool && !QFileInfo(program).isExecutable()) {
        if (arguments.isEmpty())
            return std::nullopt;
        const auto command
            = AreaCaptureCommand::choose(arguments.last(), qEnvironmentVariableIsSet("WAYLAND_DISPLAY"),
                [](const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); });
        if (!command)
            return std::nullopt;
        const QString path = QFileInfo(command->program).isAbsolute()
            ? command->program
            : QStandardPaths::findExecutable(command->program);
        return std::pair { path, command->arguments };
    }
    return std::pair { program, arguments };
}

} // namespace

ProcessesDesktop::ProcessesDesktop(Scheduler& scheduler)
    : m_scheduler(scheduler)
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
    const auto resolved = resolve(program, arguments);
    if (!resolved || !QFileInfo(resolved->first).isExecutable())
        return nullptr;

    auto* process = new QProcess(&m_children);
    process->setProgram(resolved->first);
    process->setArguments(resolved->second);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    // Start failures are told synchronously; fork and exec take a few milliseconds at most.
    if (!process->waitForStarted()) {
        delete process;
        return nullptr;
    }
    QObject::connect(process, &QProcess::finished, process,
        [this, process, onExit = std::move(onExit)](int exitCode, QProcess::ExitStatus status) {
            const int exitStatus = status == QProcess::NormalExit ? exitCode : -1;
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
