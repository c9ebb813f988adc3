#include "support/Wait.h"

#include "testsupport/QtApplication.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(Wait, ZeroSecondsHandlesPendingEventsOnce)
{
    test::Application();
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EventLoopWaiter waiter;
    waiter.WaitSeconds(0);
    EXPECT_TRUE(ran);
    waiter.WaitSeconds(-3);
}

TEST(Wait, WaitsInTheEventLoopForTheScaledTime)
{
    test::Application();
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    EventLoopWaiter waiter(0.05); // one second becomes 50 ms
    waiter.WaitSeconds(2);
    EXPECT_GE(elapsed.elapsed(), 95);
    EXPECT_GT(ticks, 3) << "timers must run during the wait";
}

} // namespace
} // namespace tarnwick
