// A toolkit's event loop drives the main queue through the wake hook, and a terminal command
// runs it only until what it waits for has happened.

#include "platform/MainQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace pd;

TEST(MainQueueWake, EveryPostedTaskWakesTheHookAndRunUntilStopsWhenDone) {
    MainQueue& main = MainQueue::shared();
    main.poll();  // leftovers of other tests
    std::atomic<int> wakes{0};
    main.setWakeHook([&] { ++wakes; });

    // From another thread, at once and after a delay: both arrive through the hook.
    int ran = 0;
    std::thread([&] { main.async([&] { ++ran; }); }).join();
    main.after(std::chrono::milliseconds(5), [&] { ++ran; });
    const auto far = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    EXPECT_TRUE(main.runUntil([&] { return ran == 2; }, far));
    EXPECT_GE(wakes.load(), 2);

    // A condition that never holds gives up at the deadline and says so.
    EXPECT_FALSE(main.runUntil([] { return false; },
                               std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));

    // Without a hook nothing is called back any more.
    main.setWakeHook(nullptr);
    const int before = wakes.load();
    main.async([] {});
    main.poll();
    EXPECT_EQ(wakes.load(), before);
}
