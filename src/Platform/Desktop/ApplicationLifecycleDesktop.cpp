#include "Platform/Desktop/ApplicationLifecycleDesktop.h"

#include <QCoreApplication>
#include <QTimer>

void ApplicationLifecycleDesktop::terminate()
{
    if (auto* app = QCoreApplication::instance())
        QTimer::singleShot(0, app, &QCoreApplication::quit);
}
