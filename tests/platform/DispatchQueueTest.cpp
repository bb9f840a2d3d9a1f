#include "platform/Dispatch.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pd {
namespace {

using namespace std::chrono_literals;

// A toolkit's event loop learns of every task, also a delayed one, through the wake hook.
TEST(MainQueue, TasksFromAnyThreadRunInDueOrderOnThePumpingThreadAndWakeTheHook) {
    MainQueue& main = MainQueue::shared();
    EXPECT_FALSE(main.isCurrent());
    main.poll();  // leftovers of other tests
    std::atomic<int> wakes{0};
    main.setWakeHook([&] { ++wakes; });

    std::atomic<int> ran{0};
    std::atomic<bool> allOnMain{true};
    std::vector<int> order;
    main.async([] { throw 42; });  // contained; the queue goes on
    main.async([&] { order.push_back(1); });
    main.after(30ms, [&] { order.push_back(3); });
    main.after(10ms, [&] { order.push_back(2); });
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i) {
        posters.emplace_back([&] {
            for (int j = 0; j < 25; ++j) {
                main.async([&] {
                    allOnMain = allOnMain && MainQueue::shared().isCurrent();
                    ++ran;
                });
            }
        });
    }
    for (auto& t : posters) {
        t.join();
    }
    EXPECT_EQ(ran.load(), 0) << "nothing runs until the main queue is pumped";
    const auto far = std::chrono::steady_clock::now() + 30s;
    EXPECT_TRUE(main.runUntil([&] { return ran == 100 && order.size() == 3; }, far));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(allOnMain);
    EXPECT_GE(wakes.load(), 103);

    // A condition that never holds gives up at the deadline and says so.
    EXPECT_FALSE(main.runUntil([] { return false; }, std::chrono::steady_clock::now() + 20ms));

    // Without a hook nothing is called back any more.
    main.setWakeHook(nullptr);
    const int before = wakes.load();
    main.async([] {});
    main.poll();
    EXPECT_EQ(wakes.load(), before);
}

TEST(MainQueue, StopEndsRunAndAnEarlyStopIsNotLost) {
    MainQueue& main = MainQueue::shared();
    bool ran = false;
    main.async([&] {
        ran = true;
        MainQueue::shared().stop();
    });
    main.run();  // returns because the task stopped it
    EXPECT_TRUE(ran);

    // A stop from another thread before run() starts still ends that run().
    std::thread([&] { main.stop(); }).join();
    main.run();

    // And the queue works normally afterwards.
    bool again = false;
    main.async([&] { again = true; });
    EXPECT_TRUE(pumpMainUntil([&] { return again; }));
}

// A task that throws is contained and the queue goes on.
TEST(SerialQueue, RunsTasksInOrderOneAtATimeOnOneThread) {
    SerialQueue queue("ordered");
    EXPECT_FALSE(queue.isCurrent());
    queue.async([] { throw std::runtime_error("boom"); });

    // The tasks' records are read once the last task is done: they run one after the other.
    constexpr int kTasks = 500;
    std::vector<int> order;
    std::set<std::thread::id> threads;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> allCurrent{true};
    std::atomic<bool> done{false};
    for (int i = 0; i < kTasks; ++i) {
        queue.async([&, i] {
            overlapped = overlapped || inside.fetch_add(1) != 0;
            allCurrent = allCurrent && queue.isCurrent();
            order.push_back(i);
            threads.insert(std::this_thread::get_id());
            inside.fetch_sub(1);
            done = i == kTasks - 1;
        });
    }
    ASSERT_TRUE(waitFor([&] { return done.load(); }));
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), std::size_t{kTasks});
    for (int i = 0; i < kTasks; ++i) {
        ASSERT_EQ(order[i], i);
    }
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_TRUE(allCurrent);
}

TEST(DispatchQueues, DestructionDropsQueuedTasksAndMayHappenInsideATask) {
    // Queued and delayed tasks are dropped; their captures are still released.
    auto witness = std::make_shared<int>(0);
    std::atomic<int> ran{0};
    {
        SerialQueue queue("dropping");
        std::atomic<bool> release{false};
        queue.async([&] {
            ++ran;
            waitFor([&] { return release.load(); }, 1s);
        });
        queue.async([&, witness] { ++ran; });
        queue.after(1h, [&, witness] { ++ran; });
        ASSERT_TRUE(waitFor([&] { return ran == 1; }));
        release = true;
    }
    EXPECT_LE(ran.load(), 2);
    EXPECT_EQ(witness.use_count(), 1) << "dropped tasks must release what they captured";

    // The last owner of a queue may be one of its own tasks.
    std::atomic<int> destroyed{0};
    auto destroyFromInside = [&](auto owned) {
        auto* raw = owned.get();
        raw->async([&, q = std::move(owned)]() mutable {
            q.reset();
            ++destroyed;
        });
    };
    destroyFromInside(std::make_shared<SerialQueue>("self-destroying"));
    destroyFromInside(std::make_shared<ConcurrentQueue>("own", 2));
    EXPECT_TRUE(waitFor([&] { return destroyed == 2; }));
}

TEST(ConcurrentQueue, GlobalPoolRunsTasksAtTheSameTime) {
    ConcurrentQueue& pool = ConcurrentQueue::global();
    // Each task waits for the other: this only finishes if both run at once.
    std::atomic<int> arrived{0};
    std::atomic<int> met{0};
    for (int i = 0; i < 2; ++i) {
        pool.async([&] {
            ++arrived;
            if (waitFor([&] { return arrived == 2; }, 2s)) {
                ++met;
            }
        });
    }
    EXPECT_TRUE(waitFor([&] { return met == 2; }));

    std::atomic<bool> delayed{false};
    std::atomic<bool> onPool{false};
    pool.after(5ms, [&] {
        onPool = ConcurrentQueue::global().isCurrent();
        delayed = true;
    });
    EXPECT_TRUE(waitFor([&] { return delayed.load(); }));
    EXPECT_TRUE(onPool);
}

// Nothing happens before start(); a second start() must not double the schedule and a
// cancelled timer is never restarted.
TEST(RepeatingTimer, FiresOnItsQueueUntilCancelledFromTheHandler) {
    MainQueue& main = MainQueue::shared();
    int fired = 0;
    bool allOnMain = true;
    std::unique_ptr<RepeatingTimer> timer;
    timer = std::make_unique<RepeatingTimer>(main, 5ms, 10ms, 1ms, [&] {
        allOnMain = allOnMain && main.isCurrent();
        if (++fired == 5) {
            timer->cancel();
        }
    });
    main.runFor(20ms);
    EXPECT_EQ(fired, 0);
    timer->start();
    timer->start();
    ASSERT_TRUE(pumpMainUntil([&] { return fired >= 5; }));
    timer->start();
    main.runFor(60ms);
    EXPECT_EQ(fired, 5) << "a cancelled timer never fires again";
    EXPECT_TRUE(allOnMain);
}

TEST(RepeatingTimer, CancelFromAnotherThreadWaitsForARunningHandler) {
    SerialQueue queue("busy");
    std::atomic<bool> inside{false};
    std::atomic<bool> allOnQueue{true};
    std::atomic<int> fired{0};
    RepeatingTimer timer(queue, 0ms, 10ms, 0ms, [&] {
        ++fired;
        allOnQueue = allOnQueue && queue.isCurrent();
        inside = true;
        std::this_thread::sleep_for(20ms);
        inside = false;
    });
    timer.start();
    ASSERT_TRUE(waitFor([&] { return inside.load(); }));
    timer.cancel();
    EXPECT_FALSE(inside) << "cancel() returned while the handler was still running";
    const int atCancel = fired;

    // A timer destroyed before its first firing releases its handler and never runs it; a
    // one-shot timer fires once.
    auto witness = std::make_shared<int>(0);
    {
        RepeatingTimer doomed(queue, 20ms, 10ms, 0ms, [&, witness] { ++fired; });
        doomed.start();
    }
    EXPECT_EQ(witness.use_count(), 1);
    std::atomic<int> oneShotFired{0};
    RepeatingTimer oneShot(queue, 5ms, 0ms, 0ms, [&] { ++oneShotFired; });
    oneShot.start();
    ASSERT_TRUE(waitFor([&] { return oneShotFired == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(oneShotFired.load(), 1);
    EXPECT_EQ(fired.load(), atCancel);
    EXPECT_TRUE(allOnQueue);
}

}  // namespace
}  // namespace pd
