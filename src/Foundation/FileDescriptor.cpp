#include "Foundation/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileDescriptor::close()
{
    // Linux releases the descriptor even when close reports an error, so it is never closed twice.
    return m_fd < 0 || ::close(std::exchange(m_fd, -1)) == 0;
}

FileDescriptor FileDescriptor::openRegular(int parent, const char* name, Links links)
{
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == Links::Refuse)
        flags |= O_NOFOLLOW;
    FileDescriptor file;
    do
        file.m_fd = ::openat(parent, name, flags);
    while (!file.isOpen() && errno == EINTR);
    if (!file.isOpen())
        return file;
    struct stat info { };
    if (::fstat(file.m_fd, &info) != 0)
        return FileDescriptor();
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return FileDescriptor();
    }
    return file;
}

FileDescriptor FileDescriptor::openFolder(int parent, const char* name)
{
    FileDescriptor folder;
    do
        folder.m_fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    while (!folder.isOpen() && errno == EINTR);
    return folder;
}
