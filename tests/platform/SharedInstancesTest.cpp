#include "platform/Dispatch.h"
#include "platform/Keychain.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <array>
#include <latch>
#include <thread>
#include <vector>

namespace pd {
namespace {

// Run alone (as ctest does, one test per process) this is the first use of every
// process-wide object; many threads race to create them and must all get the same one.
TEST_F(TempHome, ProcessWideObjectsAreCreatedOnceUnderConcurrentFirstUse) {
    constexpr std::size_t kThreads = 16;
    std::vector<std::array<const void*, 5>> seen(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            seen[i] = {&MainQueue::shared(), &ConcurrentQueue::global(),
                       &NotificationCenter::defaultCenter(), &UserDefaults::standard(),
                       &Keychain::shared()};
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const auto& s : seen) {
        EXPECT_EQ(s, seen[0]);
    }
}

}  // namespace
}  // namespace pd
