#include "App/SingleInstance.h"

#include <QCoreApplication>

// A second start of the program, reduced to the hand-over: exits 0 when the running instance took it.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString name = qEnvironmentVariable("DRIMO_SINGLE_INSTANCE_NAME");
    if (name.isEmpty())
        return 2;
    SingleInstance second(name);
    const auto request = qEnvironmentVariable("DRIMO_SINGLE_INSTANCE_REQUEST") == QLatin1String("history")
        ? SingleInstance::Request::ShowHistory
        : SingleInstance::Request::ShowSettings;
    const bool handedOver = second.handOverToRunning(3000, request);
    return handedOver && !second.isListening() ? 0 : 1;
}
