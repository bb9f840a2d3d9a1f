#include "platform/Dispatch.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pd {
namespace {

using namespace std::chrono_literals;

TEST(MainQueue, RunsTasksFromAnyThreadOnThePumpingThread) {
    MainQueue& main = MainQueue::shared();
    EXPECT_FALSE(main.isCurrent());

    std::atomic<int> ran{0};
    std::atomic<bool> allOnMain{true};
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i) {
        posters.emplace_back([&] {
            for (int j = 0; j < 25; ++j) {
                main.async([&] {
                    if (!MainQueue::shared().isCurrent()) {
                        allOnMain = false;
                    }
                    ++ran;
                });
            }
        });
    }
    for (auto& t : posters) {
        t.join();
    }
    EXPECT_EQ(ran.load(), 0) << "nothing runs until the main queue is pumped";
    EXPECT_TRUE(pumpMainUntil([&] { return ran == 100; }));
    EXPECT_TRUE(allOnMain);
}

TEST(MainQueue, DelayedTasksRunOnTheMainQueueInDueOrder) {
    std::vector<int> order;
    MainQueue::shared().async([&] { order.push_back(1); });
    MainQueue::shared().after(30ms, [&] { order.push_back(3); });
    MainQueue::shared().after(10ms, [&] {
        EXPECT_TRUE(MainQueue::shared().isCurrent());
        order.push_back(2);
    });
    EXPECT_TRUE(pumpMainUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
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

TEST(DispatchQueues, ThrowingTaskIsContainedAndTheQueueGoesOn) {
    SerialQueue serial("throwing");
    std::atomic<bool> after{false};
    serial.async([] { throw std::runtime_error("boom"); });
    serial.async([&] { after = true; });
    EXPECT_TRUE(waitFor([&] { return after.load(); }));

    bool mainAfter = false;
    MainQueue::shared().async([] { throw 42; });
    MainQueue::shared().async([&] { mainAfter = true; });
    EXPECT_TRUE(pumpMainUntil([&] { return mainAfter; }));
}

TEST(SerialQueue, RunsTasksInOrderOneAtATimeOnOneThread) {
    SerialQueue queue("ordered");
    EXPECT_EQ(queue.label(), "ordered");
    EXPECT_FALSE(queue.isCurrent());

    constexpr int kTasks = 500;
    std::mutex mutex;
    std::vector<int> order;
    std::set<std::thread::id> threads;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> allCurrent{true};
    for (int i = 0; i < kTasks; ++i) {
        queue.async([&, i] {
            if (inside.fetch_add(1) != 0) {
                overlapped = true;
            }
            if (!queue.isCurrent()) {
                allCurrent = false;
            }
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
                threads.insert(std::this_thread::get_id());
            }
            inside.fetch_sub(1);
        });
    }
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return order.size() == kTasks;
    }));
    std::lock_guard lock(mutex);
    for (int i = 0; i < kTasks; ++i) {
        ASSERT_EQ(order[i], i);
    }
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(allCurrent);
}

TEST(SerialQueue, DestructionDropsQueuedTasksAndMayHappenInsideATask) {
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
    auto owned = std::make_unique<SerialQueue>("self-destroying");
    std::atomic<bool> destroyed{false};
    SerialQueue* raw = owned.get();
    raw->async([&, q = std::shared_ptr<SerialQueue>(std::move(owned))]() mutable {
        q.reset();
        destroyed = true;
    });
    EXPECT_TRUE(waitFor([&] { return destroyed.load(); }));
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

TEST(ConcurrentQueue, OwnPoolCanBeDestroyedFromItsOwnTask) {
    auto pool = std::make_shared<ConcurrentQueue>("own", 2);
    EXPECT_EQ(pool->label(), "own");
    std::atomic<bool> done{false};
    ConcurrentQueue* raw = pool.get();
    raw->async([&, p = std::move(pool)]() mutable {
        p.reset();
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done.load(); }));
}

}  // namespace
}  // namespace pd
