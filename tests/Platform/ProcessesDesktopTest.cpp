#include "Platform/Desktop/ProcessesDesktop.h"
#include "Foundation/EventLoopScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <optional>

TEST(ProcessesDesktop, ReportsTheExitOnTheMainThreadAndRefusesWhatCannotStart)
{
    EventLoopScheduler scheduler;
    ProcessesDesktop processes(scheduler);
    std::optional<int> status;
    auto running = processes.start(QStringLiteral("/bin/sh"), { "-c", "exit 3" }, [&](int s) { status = s; });
    ASSERT_TRUE(running);
    EXPECT_FALSE(status) << "never inside the call";
    QElapsedTimer clock;
    clock.start();
    while (!status && clock.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(status, 3);
    EXPECT_FALSE(running->isRunning());

    std::optional<int> killed;
    running = processes.start(QStringLiteral("/bin/sleep"), { "30" }, [&](int s) { killed = s; });
    ASSERT_TRUE(running);
    EXPECT_TRUE(running->isRunning());
    running->terminate();
    clock.restart();
    while (!killed && clock.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(killed, -1);

    bool called = false;
    EXPECT_FALSE(processes.start(QStringLiteral("/no/such/program"), {}, [&](int) { called = true; }));
    EXPECT_FALSE(processes.start(QStringLiteral("/etc/hostname"), {}, [&](int) { called = true; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}
