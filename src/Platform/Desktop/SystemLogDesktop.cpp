#include "Platform/Desktop/SystemLogDesktop.h"

#include <cstdio>
#include <syslog.h>

SystemLogDesktop::SystemLogDesktop()
{
    // LOG_PERROR would also copy to standard error, but not everywhere; writing it ourselves is certain.
    openlog("drimo-copy", LOG_PID, LOG_USER);
}

SystemLogDesktop::~SystemLogDesktop()
{
    closelog();
}

void SystemLogDesktop::write(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    // The line is data, never a format.
    syslog(LOG_NOTICE, "%s", bytes.constData());
    std::fprintf(stderr, "%s\n", bytes.constData());
}
