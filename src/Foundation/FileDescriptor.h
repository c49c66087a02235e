#pragma once

#include <utility>

// A file descriptor that is closed when it goes.
//
// The opening helpers resolve names relative to an open folder (or AT_FDCWD for a path) and never follow a
// link in the last component: a file or folder of ours may have been replaced by a link to someone else's,
// and walking a tree by descriptor keeps every later step inside what was opened.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1) noexcept
        : m_fd(fd)
    { }
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Hands the descriptor to someone who closes it.
    int release() { return std::exchange(m_fd, -1); }
    // Closes now: false, with errno set, when the system reports a failure (such as a late write error).
    bool close();

    enum class Links {
        Refuse, // a link in the last component fails with ELOOP
        Follow, // for files a user may keep elsewhere and link to
    };
    // The regular file `name` in `parent`, for reading. Opening never waits (a FIFO or a device answers
    // at once) and anything but a regular file is refused with EINVAL; errno tells why it is not open.
    static FileDescriptor openRegular(int parent, const char* name, Links links = Links::Refuse);
    // The folder `name` in `parent`, for listing and for opening what it holds; errno tells why not.
    static FileDescriptor openFolder(int parent, const char* name);

private:
    int m_fd;
};
