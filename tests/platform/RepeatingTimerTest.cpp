#include "platform/Dispatch.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace pd {
namespace {

using namespace std::chrono_literals;

TEST(RepeatingTimer, FiresRepeatedlyOnItsSerialQueueUntilCancelledFromTheHandler) {
    SerialQueue queue("timer");
    std::atomic<int> fired{0};
    std::atomic<bool> allOnQueue{true};
    std::unique_ptr<RepeatingTimer> timer;
    timer = std::make_unique<RepeatingTimer>(queue, 5ms, 10ms, 1ms, [&] {
        if (!queue.isCurrent()) {
            allOnQueue = false;
        }
        if (++fired == 5) {
            timer->cancel();
        }
    });
    timer->start();
    timer->start();  // a second start must not double the schedule
    ASSERT_TRUE(waitFor([&] { return fired == 5; }));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(fired.load(), 5) << "a cancelled timer never fires again";
    EXPECT_TRUE(allOnQueue);
}

TEST(RepeatingTimer, OnTheMainQueueStopsForGoodWhenCancelled) {
    int fired = 0;
    RepeatingTimer timer(MainQueue::shared(), 10ms, 10ms, 0ms, [&] { ++fired; });
    EXPECT_EQ(fired, 0) << "nothing happens before start()";
    timer.start();
    ASSERT_TRUE(pumpMainUntil([&] { return fired >= 3; }));
    timer.cancel();
    const int atCancel = fired;
    MainQueue::shared().runFor(50ms);
    EXPECT_EQ(fired, atCancel);

    timer.start();  // a cancelled timer cannot be restarted
    MainQueue::shared().runFor(30ms);
    EXPECT_EQ(fired, atCancel);
}

TEST(RepeatingTimer, CancelFromAnotherThreadWaitsForARunningHandler) {
    SerialQueue queue("busy");
    std::atomic<bool> inside{false};
    std::atomic<int> fired{0};
    RepeatingTimer timer(queue, 0ms, 10ms, 0ms, [&] {
        ++fired;
        inside = true;
        std::this_thread::sleep_for(20ms);
        inside = false;
    });
    timer.start();
    ASSERT_TRUE(waitFor([&] { return inside.load(); }));
    timer.cancel();
    EXPECT_FALSE(inside) << "cancel() returned while the handler was still running";
    const int atCancel = fired;
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(fired.load(), atCancel);
}

TEST(RepeatingTimer, DestroyedOrOneShotTimersFireNoMoreThanAllowed) {
    SerialQueue queue("timers");
    std::atomic<int> destroyedFired{0};
    std::atomic<int> oneShotFired{0};
    auto witness = std::make_shared<int>(0);
    {
        RepeatingTimer doomed(queue, 20ms, 10ms, 0ms, [&, witness] { ++destroyedFired; });
        doomed.start();
    }
    EXPECT_EQ(witness.use_count(), 1) << "a destroyed timer releases its handler";

    RepeatingTimer oneShot(queue, 5ms, 0ms, 0ms, [&] { ++oneShotFired; });
    oneShot.start();
    ASSERT_TRUE(waitFor([&] { return oneShotFired == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(oneShotFired.load(), 1);
    EXPECT_EQ(destroyedFired.load(), 0);
}

}  // namespace
}  // namespace pd
