#include "Platform/Simulated/StandardPathsSimulated.h"

#include <QDir>

StandardPathsSimulated::StandardPathsSimulated(QString home)
    : m_home(QDir::cleanPath(std::move(home)))
{
    QDir().mkpath(temporary());
    QDir().mkpath(desktop());
}
