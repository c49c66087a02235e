#include "App/InstanceLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(QString folder)
    : m_folder(std::move(folder))
    , m_path(m_folder + QStringLiteral("/History.lock"))
{ }

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Outcome InstanceLock::acquire()
{
    if (m_fd >= 0)
        return Outcome::Held;
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("cannot create %1").arg(m_folder);
        return Outcome::Unavailable;
    }
    // Not following a link, and not blocking on something that is not a plain file.
    const int fd = ::open(
        QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        m_error = QStringLiteral("%1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return Outcome::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::HeldElsewhere;
        m_error = QStringLiteral("%1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(error)));
        return Outcome::Unavailable;
    }
    m_fd = fd;
    return Outcome::Held;
}
