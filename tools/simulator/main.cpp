#include "RenderCommand.h"
#include "ScenarioRunner.h"
#include "ScenarioScript.h"

#include "Foundation/ImageReading.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The offscreen platform's notes about what it cannot do (raise, grab the keyboard) are not the
// scenario's business and would drown its errors.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg
        || message.startsWith(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

int usage()
{
    std::fprintf(stderr,
        "usage: drimo-sim [--home DIR] SCENARIO   (SCENARIO '-' reads standard input)\n"
        "       drimo-sim render SHOT.png SCALE ANNOTATIONS.json OUT.png\n");
    return 2;
}

int runScenario(const QStringList& arguments)
{
    QString home;
    QString scenario;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--home") && i + 1 < arguments.size())
            home = arguments[++i];
        else if (scenario.isEmpty())
            scenario = arguments[i];
        else
            return usage();
    }
    if (scenario.isEmpty())
        return usage();

    QFile file;
    const bool fromStdin = scenario == QLatin1String("-");
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly)
                                  : (file.setFileName(scenario), file.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "drimo-sim: cannot read %s\n", qPrintable(scenario));
        return 2;
    }
    const auto parsed = ScenarioScript::parse(QString::fromUtf8(file.readAll()));
    if (parsed.error) {
        std::fprintf(stderr, "drimo-sim: %s:%d: %s\n", qPrintable(scenario), parsed.error->line,
            qPrintable(parsed.error->reason));
        return 2;
    }

    // A fresh home for every run unless one is named: a run never sees another's history or settings.
    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/drimo-sim-XXXXXX"));
    if (home.isEmpty()) {
        if (!temporary.isValid()) {
            std::fprintf(stderr, "drimo-sim: cannot make a temporary home\n");
            return 2;
        }
        temporary.setAutoRemove(qEnvironmentVariableIsEmpty("DRIMO_SIM_KEEP_HOME"));
        home = temporary.path();
    } else {
        QDir().mkpath(home);
        home = QDir(home).absolutePath();
    }
    ScenarioRunner runner(home, stdout);
    runner.setScenarioFolder(fromStdin ? QDir::currentPath() : QFileInfo(scenario).absolutePath());
    return runner.run(parsed.commands) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // The simulator never needs a display; windows live on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    ImageReading::silenceDecoderMessages();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    if (arguments.first() == QLatin1String("render"))
        return RenderCommand::run(arguments.mid(1), stderr);
    return runScenario(arguments);
}
