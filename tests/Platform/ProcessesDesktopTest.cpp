#include "Platform/Desktop/ProcessesDesktop.h"
#include "Foundation/EventLoopScheduler.h"
#include "Platform/Simulated/SystemLogSimulated.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <unistd.h>

TEST(ProcessesDesktop, ReportsTheExitOnTheMainThreadAndRefusesWhatCannotStart)
{
    EventLoopScheduler scheduler;
    SystemLogSimulated log;
    ProcessesDesktop processes(scheduler, log);
    const auto runToEnd = [&](const char* script) {
        std::optional<int> status;
        auto running
            = processes.start(QStringLiteral("/bin/sh"), { "-c", script }, [&](int s) { status = s; });
        const bool reportedLater = running && !status;
        QElapsedTimer clock;
        clock.start();
        while (running && !status && clock.elapsed() < 10'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return reportedLater && !running->isRunning() ? status : std::nullopt;
    };
    // Whatever the programs print must not reach our own output: it goes to a file meanwhile, and the
    // checks wait until ours is back.
    QTemporaryFile ours;
    ASSERT_TRUE(ours.open());
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = ::dup(1), savedError = ::dup(2);
    ::dup2(ours.handle(), 1);
    ::dup2(ours.handle(), 2);
    // Chatter of a program that succeeds goes nowhere; a failing one's last error lines go to the log under
    // its name, never its standard output.
    const auto succeeded = runToEnd("echo chatter; echo warning >&2");
    const QStringList afterSuccess = log.lines();
    const auto failed
        = runToEnd("echo result; i=0; while [ $i -lt 3000 ]; do echo noise $i >&2; i=$((i+1)); done;"
                   "printf 'it failed\\n  because  \\n\\n' >&2; exit 3");
    ::dup2(savedOut, 1);
    ::dup2(savedError, 2);
    ::close(savedOut);
    ::close(savedError);
    EXPECT_EQ(QFile(ours.fileName()).size(), 0);
    EXPECT_EQ(succeeded, 0);
    EXPECT_TRUE(afterSuccess.isEmpty()) << afterSuccess.join(u'|').toStdString();
    EXPECT_EQ(failed, 3) << "reported on the main thread, never inside the call";
    ASSERT_EQ(log.lines().size(), 8) << log.lines().join(u'|').toStdString();
    EXPECT_EQ(log.lines()[5], QStringLiteral("sh: noise 2999"));
    EXPECT_EQ(log.lines()[6], QStringLiteral("sh: it failed"));
    EXPECT_EQ(log.lines()[7], QStringLiteral("sh: because"));

    std::optional<int> killed;
    auto running = processes.start(QStringLiteral("/bin/sleep"), { "30" }, [&](int s) { killed = s; });
    ASSERT_TRUE(running);
    EXPECT_TRUE(running->isRunning());
    running->terminate();
    QElapsedTimer clock;
    clock.start();
    while (!killed && clock.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(killed, -1);

    bool called = false;
    EXPECT_FALSE(processes.start(QStringLiteral("/no/such/program"), {}, [&](int) { called = true; }));
    EXPECT_FALSE(processes.start(QStringLiteral("/etc/hostname"), {}, [&](int) { called = true; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}
