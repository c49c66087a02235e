#include "Desktop/DesktopSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <X11/Xlib.h>

namespace DesktopSession {

bool displayAvailable()
{
    static const bool available = [] {
        Display* display = XOpenDisplay(nullptr);
        if (display)
            XCloseDisplay(display);
        return display != nullptr;
    }();
    return available;
}

bool spinUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void spin(int milliseconds)
{
    spinUntil([] { return false; }, milliseconds);
}

std::optional<QByteArray> run(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    // The event loop must go on: the program may be waiting for this process's clipboard or key verdicts.
    QByteArray output;
    spinUntil(
        [&] {
            output += process.readAllStandardOutput();
            return process.state() == QProcess::NotRunning;
        },
        10'000);
    output += process.readAllStandardOutput();
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return std::nullopt;
    return output;
}

bool windowManagerRuns()
{
    return !qEnvironmentVariableIsEmpty("DRIMO_TEST_WINDOW_MANAGER");
}

bool accessibilityBusAvailable()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    return run(QStringLiteral("dbus-send"),
        { QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
            QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress") })
        .has_value();
}

std::unique_ptr<Client> startWindow(const QStringList& arguments)
{
    auto client = std::make_unique<Client>();
    client->process = std::make_unique<QProcess>();
    client->process->start(QStringLiteral(DESKTOP_CLIENT), arguments);
    if (!spinUntil([&] {
            client->read();
            return client->output.contains('\n');
        }))
        return nullptr;
    const qsizetype end = client->output.indexOf('\n');
    const QList<QByteArray> ready = client->output.left(end).split(' ');
    client->output.remove(0, end + 1);
    if (ready.size() < 2 || ready[0] != "ready")
        return nullptr;
    client->window = ready[1].toULong();
    client->ready = ready.mid(2).join(' ');
    if (!activate(ready[1]))
        return nullptr;
    return client;
}

QList<QByteArray> visibleWindows(const QStringList& criteria)
{
    const QByteArray found = run(QStringLiteral("xdotool"),
        QStringList { QStringLiteral("search"), QStringLiteral("--onlyvisible") } + criteria)
                                 .value_or(QByteArray())
                                 .trimmed();
    return found.isEmpty() ? QList<QByteArray> {} : found.split('\n');
}

QByteArray waitForWindow(const QStringList& criteria, int milliseconds)
{
    QList<QByteArray> windows;
    spinUntil([&] { return (windows = visibleWindows(criteria)).size() == 1; }, milliseconds);
    return windows.size() == 1 ? windows[0] : QByteArray();
}

bool xdotool(const QStringList& arguments)
{
    return run(QStringLiteral("xdotool"), arguments).has_value();
}

bool activate(const QByteArray& window)
{
    const QString id = QString::fromLatin1(window);
    // Activation is the window manager's where one runs: asked for as a pager would, done when it says so.
    if (windowManagerRuns())
        return xdotool({ QStringLiteral("windowactivate"), QStringLiteral("--sync"), id });
    // Without one, focus is given and published directly, as one would.
    return xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), id })
        && run(QStringLiteral("xprop"),
            { QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("_NET_ACTIVE_WINDOW"),
                QStringLiteral("32c"), QStringLiteral("-set"), QStringLiteral("_NET_ACTIVE_WINDOW"), id });
}

std::unique_ptr<QProcess> startOffer(const QStringList& mimeAndFiles)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(DESKTOP_CLIENT), QStringList { QStringLiteral("offer") } + mimeAndFiles);
    QByteArray output;
    if (!spinUntil([&] {
            output += process->readAllStandardOutput();
            return output.contains("ready\n") || process->state() == QProcess::NotRunning;
        })
        || !output.contains("ready\n"))
        return nullptr;
    return process;
}

std::unique_ptr<QProcess> startSilentOwner(int count, int delayMs)
{
    auto process = std::make_unique<QProcess>();
    QStringList arguments { QString::number(count) };
    if (delayMs >= 0)
        arguments.append(QString::number(delayMs));
    process->start(QStringLiteral(SILENT_OWNER), arguments);
    QByteArray output;
    if (!spinUntil([&] {
            output += process->readAllStandardOutput();
            return output.contains('\n') || process->state() == QProcess::NotRunning;
        })
        || !output.startsWith("ready "))
        return nullptr;
    return process;
}

} // namespace DesktopSession
