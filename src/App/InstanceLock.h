#pragma once

#include <QString>

// An exclusive hold on the program's data folder for as long as the process lives, so that two running
// copies never record into one history. The lock is the kernel's (flock): it goes with the process, also
// when it is killed, and is never inherited by the programs it starts.
class InstanceLock final {
public:
    // The lock file for the data folder `folder`; nothing is taken yet.
    explicit InstanceLock(QString folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Outcome {
        Held, // this process holds it
        HeldElsewhere, // another process holds it
        Unavailable, // the lock file could not be opened or created; errorString() says why
    };
    // Takes the lock without waiting; creates the folder and the lock file as needed.
    Outcome acquire();
    QString errorString() const { return m_error; }
    QString filePath() const { return m_path; }

private:
    QString m_folder;
    QString m_path;
    QString m_error;
    int m_fd = -1;
};
