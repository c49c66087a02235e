#include "Foundation/EventLoopScheduler.h"
#include "Foundation/VirtualScheduler.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <vector>

TEST(VirtualScheduler, RunsDueTasksInTimeOrderFifoAtEqualTimes)
{
    VirtualScheduler scheduler;
    std::vector<std::pair<int, double>> ran;
    auto record = [&](int id) { return [&, id](bool) { ran.emplace_back(id, scheduler.now()); }; };
    scheduler.after(1.0, record(1));
    scheduler.after(0.5, record(2));
    scheduler.after(1.0, record(3));
    scheduler.after(2.0, record(4));

    scheduler.advance(0.4);
    EXPECT_TRUE(ran.empty());
    scheduler.advance(0.6);
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(ran[0], std::make_pair(2, 0.5));
    EXPECT_EQ(ran[1], std::make_pair(1, 1.0));
    EXPECT_EQ(ran[2], std::make_pair(3, 1.0));
    EXPECT_DOUBLE_EQ(scheduler.now(), 1.0);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    EXPECT_DOUBLE_EQ(scheduler.currentDate(), VirtualScheduler::defaultStartDate + 1.0);
}

TEST(VirtualScheduler, CancelEndsTheWaitEarlyAndTheContinuationSeesIt)
{
    VirtualScheduler scheduler;
    std::vector<std::pair<bool, double>> seen;
    TaskHandle handle
        = scheduler.after(5.0, [&](bool cancelled) { seen.emplace_back(cancelled, scheduler.now()); });
    scheduler.advance(1.0);
    EXPECT_TRUE(handle.isPending());
    handle.cancel();
    EXPECT_TRUE(seen.empty()) << "never runs inside cancel()";
    scheduler.runDue();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].first);
    EXPECT_DOUBLE_EQ(seen[0].second, 1.0);
    EXPECT_FALSE(handle.isPending());

    handle.cancel(); // harmless after the fact
    scheduler.advance(10);
    EXPECT_EQ(seen.size(), 1u);

    bool ran = false;
    TaskHandle posted = scheduler.post([&] { ran = true; });
    posted.cancel();
    scheduler.runDue();
    EXPECT_FALSE(ran) << "posted work is skipped once cancelled";
    TaskHandle {}.cancel(); // an empty handle is harmless
}

TEST(VirtualScheduler, TasksScheduledWhileRunningAndUnsafeDelays)
{
    VirtualScheduler scheduler;
    std::vector<double> ticks;
    std::function<void(bool)> tick = [&](bool) {
        ticks.push_back(scheduler.now());
        if (ticks.size() < 4)
            scheduler.after(0.4, tick);
    };
    scheduler.after(0.4, tick);
    scheduler.advance(2.0);
    EXPECT_EQ(ticks.size(), 4u);
    EXPECT_NEAR(ticks.back(), 1.6, 1e-9);

    EXPECT_EQ(Scheduler::sanitizedDelay(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(Scheduler::sanitizedDelay(-3), 0);
    EXPECT_EQ(Scheduler::sanitizedDelay(std::numeric_limits<double>::infinity()), Scheduler::maximumDelay);
    EXPECT_EQ(Scheduler::sanitizedDelay(1e300), Scheduler::maximumDelay);
    bool ran = false;
    scheduler.after(std::numeric_limits<double>::quiet_NaN(), [&](bool) { ran = true; });
    scheduler.runDue();
    EXPECT_TRUE(ran);
}

TEST(VirtualScheduler, HandlesOutlivingTheSchedulerAreHarmless)
{
    TaskHandle handle;
    {
        VirtualScheduler scheduler;
        handle = scheduler.after(1, [](bool) {});
    }
    handle.cancel();
    SUCCEED();
}

TEST(EventLoopScheduler, RunsOnTheEventLoopAndCancelWakesAtOnce)
{
    EventLoopScheduler scheduler;
    bool shortRan = false;
    scheduler.after(0.01, [&](bool cancelled) { shortRan = !cancelled; });
    EXPECT_FALSE(shortRan);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shortRan; }, 5000));

    std::optional<bool> longResult;
    TaskHandle handle = scheduler.after(3600, [&](bool cancelled) { longResult = cancelled; });
    handle.cancel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return longResult.has_value(); }, 5000));
    EXPECT_TRUE(*longResult);

    const double before = scheduler.now();
    QTest::qWait(20);
    EXPECT_GT(scheduler.now(), before);
    EXPECT_GT(scheduler.currentDate(), 788'918'400.0) << "after 2026 in reference-date seconds";
}

TEST(EventLoopScheduler, KeepsTimeOrderAndLetsTheEventLoopBreatheBetweenPosts)
{
    EventLoopScheduler scheduler;
    std::vector<int> order;
    scheduler.after(0.03, [&](bool) { order.push_back(3); });
    scheduler.after(0.01, [&](bool) { order.push_back(1); });
    scheduler.after(0.01, [&](bool) { order.push_back(2); });
    TaskHandle cancelled = scheduler.after(0.02, [&](bool c) { order.push_back(c ? -1 : 99); });
    cancelled.cancel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 4; }, 5000));
    EXPECT_EQ(order, (std::vector { -1, 1, 2, 3 }));

    // A task that keeps re-posting itself must not keep other events from being handled.
    QEventLoop loop;
    int spins = 0;
    int spinsWhenTimerFired = -1;
    std::function<void()> spin = [&] {
        if (++spins < 1000)
            scheduler.post(spin);
        else
            loop.quit();
    };
    scheduler.post(spin);
    QTimer::singleShot(0, [&] { spinsWhenTimerFired = spins; });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(spins, 1000);
    EXPECT_GE(spinsWhenTimerFired, 0);
    EXPECT_LT(spinsWhenTimerFired, 1000);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(EventLoopScheduler, BackgroundWorkRunsOffTheMainThreadAndReportsBackOnIt)
{
    const auto main = QThread::currentThread();
    QThread* worker = nullptr;
    QThread* reported = nullptr;
    {
        EventLoopScheduler scheduler;
        scheduler.background(
            [&] { worker = QThread::currentThread(); }, [&] { reported = QThread::currentThread(); });
        EXPECT_EQ(reported, nullptr) << "never inside the call";
        EXPECT_TRUE(QTest::qWaitFor([&] { return reported != nullptr; }, 5000));
    }
    EXPECT_NE(worker, main);
    EXPECT_EQ(reported, main);

    // A scheduler gone before the work ends hears nothing.
    std::atomic<bool> release = false;
    bool late = false;
    {
        EventLoopScheduler scheduler;
        scheduler.background(
            [&] {
                while (!release)
                    QThread::msleep(1);
            },
            [&] { late = true; });
    }
    release = true;
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);

    // On the virtual clock both run in one task, in order, when the clock moves.
    VirtualScheduler virtualClock;
    std::vector<int> order;
    virtualClock.background([&] { order.push_back(1); }, [&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    virtualClock.runDue();
    EXPECT_EQ(order, (std::vector<int> { 1, 2 }));
}
