#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Starting other programs. Everything the caller hears back arrives on the main thread, through the
// Scheduler, never inside the call that started the program.
class Processes {
public:
    // A started program. Dropping the handle neither stops the program nor cancels `onExit`.
    class Running {
    public:
        virtual ~Running() = default;
        virtual bool isRunning() const = 0;
        // Asks the program to stop; its `onExit` still runs once it has ended. Harmless after the end.
        virtual void terminate() = 0;
    };

    // exitStatus is the program's exit code, or -1 when it crashed or was killed by a signal.
    using ExitHandler = std::function<void(int exitStatus)>;

    virtual ~Processes() = default;

    // Starts `program` (an absolute path) with `arguments` and unchanged environment. What it prints is its
    // own, never passed off as ours: at most its error lines under its name, when it fails.
    // `onExit`, when given, runs exactly once on the main thread after the program ended, whatever its
    // status. Nothing (and `onExit` never runs) when the program could not be started.
    virtual std::shared_ptr<Running> start(
        const QString& program, const QStringList& arguments, ExitHandler onExit = {})
        = 0;

    // Starts `program` (an absolute path) with `arguments` as a process of its own that outlives this one:
    // nobody waits for it and quitting does not stop it. False when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};
