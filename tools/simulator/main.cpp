#include "RenderCommand.h"

#include <QApplication>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: drimo-sim render SHOT.png SCALE ANNOTATIONS.json OUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // The simulator never needs a display; windows live on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    if (arguments.first() == QLatin1String("render"))
        return RenderCommand::run(arguments.mid(1), stderr);
    return usage();
}
