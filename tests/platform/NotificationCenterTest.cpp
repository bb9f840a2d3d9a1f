#include "platform/NotificationCenter.h"

#include "platform/MainQueue.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace pd {
namespace {

using namespace std::chrono_literals;

TEST(NotificationCenter, PostFromAnyThreadIsDeliveredOnTheMainQueueWithItsInfo) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::vector<std::string> seen;
    bool onMain = false;
    UserInfo received;
    const ObserverToken token =
        center.addObserver("HTTPTASKSUCCESS", [&](const std::string& name, const UserInfo& info) {
            seen.push_back(name);
            onMain = MainQueue::shared().isCurrent();
            received = info;
        });
    ASSERT_NE(token, 0u);

    std::thread([&] {
        center.post("HTTPTASKSUCCESS", {{"path", std::string("a/b.txt")}});
        center.post("OTHER");
    }).join();
    EXPECT_TRUE(seen.empty()) << "delivery waits for the main queue";
    ASSERT_TRUE(pumpMainUntil([&] { return !seen.empty(); }));
    MainQueue::shared().poll();

    EXPECT_EQ(seen, (std::vector<std::string>{"HTTPTASKSUCCESS"}));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(std::get<std::string>(received["path"]), "a/b.txt");
    center.removeObserver(token);
}

// Observers may remove each other and themselves during a delivery; a name selects its
// observers and an empty name observes all.
TEST(NotificationCenter, DeliveryFollowsTheObserversAsTheyAreThen) {
    NotificationCenter center;
    std::vector<std::string> calls;
    ObserverToken second = 0;
    ObserverToken first = 0;
    first = center.addObserver("X", [&](const std::string&, const UserInfo&) {
        calls.push_back("first");
        center.removeObserver(second);  // not called in this delivery any more
        center.removeObserver(first);   // removing itself while running is allowed
        center.addObserver("X",
                           [&](const std::string&, const UserInfo&) { calls.push_back("late"); });
    });
    second = center.addObserver(
        "X", [&](const std::string&, const UserInfo&) { calls.push_back("second"); });
    center.postNow("X");
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));

    calls.clear();
    center.addObserver("", [&](const std::string& n, const UserInfo&) { calls.push_back(n); });
    center.postNow("X");
    center.postNow("HTTPTASKFAILURE");
    EXPECT_EQ(calls, (std::vector<std::string>{"late", "X", "HTTPTASKFAILURE"}));
    EXPECT_EQ(center.addObserver("Y", nullptr), 0u) << "an empty handler is refused";
}

TEST(NotificationCenter, PostOutlivingItsObserverOrItsCenterDeliversNothing) {
    int calls = 0;
    const auto count = [&](const std::string&, const UserInfo&) { ++calls; };
    NotificationCenter kept;
    const ObserverToken token = kept.addObserver("NETWORKCLOSEDMSG", count);
    kept.post("NETWORKCLOSEDMSG");
    kept.removeObserver(token);
    kept.removeObserver(token);  // removing twice or an unknown token is harmless
    kept.removeObserver(0);
    {
        NotificationCenter gone;
        gone.addObserver("Z", count);
        gone.post("Z");
    }
    bool drained = false;
    MainQueue::shared().async([&] { drained = true; });
    ASSERT_TRUE(pumpMainUntil([&] { return drained; }));
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace pd
