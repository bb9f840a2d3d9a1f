// The pad screen's datagrams, in order, for touches on the direction pad and the buttons; the
// sockets and the queue of the repeated key-ups are stand-ins the test controls.

#include "controllers/GameHandleSetVC.h"
#include "controllers/GameHandleViewController.h"
#include "core/AuthCore.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/RecordingSockets.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pd::test {
namespace {

using Events = std::vector<std::string>;
using P = GameHandleViewController;

// Configuration 1's codes: W S A D for the directions, K for X, Y for L1...
const std::string kUpDown = "32,1", kDownDown = "28,1", kLeftDown = "10,1", kRightDown = "13,1";
const Events kRelease = {"32,2", "10,2", "28,2", "13,2"};

// Points on the 300 x 300 pad.
struct Point {
    double x, y;
};
constexpr Point kUp{250, 150}, kDown{50, 150}, kLeft{150, 50}, kRight{150, 250}, kCentre{150, 150},
    kOutside{400, 150}, kUpLeft{250, 50};

Events operator+(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct PadView : GameHandleView {
    PadSize size{300, 300};
    std::vector<std::uint64_t> pictures;
    bool closed = false;
    PadSize directionPadSize() const override { return size; }
    void showDirection(std::uint64_t cell) override { pictures.push_back(cell); }
    void closeScreen() override { closed = true; }
};

class GamepadPadTest : public TempHome {
  protected:
    std::unique_ptr<P> openPad() {
        P::Services services{*defaults, queue, &notifications, sockets};
        auto pad = std::make_unique<P>(view, services, "127.0.0.1", 5050);
        pad->viewDidLoad();
        return pad;
    }
    // The datagrams sent since the last call, as "code,action".
    Events sent() {
        Events e = sockets->events();
        sockets->sent.clear();
        return e;
    }
    // Closes a pad and drops what it still sends (its repeats) on the way out.
    void forget(std::unique_ptr<P> pad) {
        pad.reset();
        sent();
        queue.delayed.clear();
    }
    // What the repeats still waiting send.
    Events repeats() {
        queue.runDelayed();
        return sent();
    }

    std::unique_ptr<UserDefaults> defaults =
        std::make_unique<UserDefaults>(home() / "Library" / "defaults.json");
    ManualQueue queue;
    NotificationCenter notifications{queue};
    std::shared_ptr<RecordingSockets> sockets = std::make_shared<RecordingSockets>();
    std::shared_ptr<PadView> view = std::make_shared<PadView>();
};

TEST_F(GamepadPadTest, ButtonsAndTheDirectionPadSendTheirEvents) {
    struct Case {
        std::string what;
        std::function<void(P&)> touch;
        Events sent;
    };
    const auto slide = [](std::vector<Point> points) {
        return [points](P& p) {
            p.directionTouchBegan(points[0].x, points[0].y);
            for (std::size_t i = 1; i < points.size(); ++i) {
                p.directionTouchMoved(points[i].x, points[i].y);
            }
            p.directionTouchEnded();
        };
    };
    const Case cases[] = {
        {"X", [](P& p) { p.GameOPBnDown(P::kXTag), p.GameOPBnUp(P::kXTag); }, {"20,1", "20,2"}},
        {"square", [](P& p) { p.GameOPBnDown(5), p.GameOPBnUp(5); }, {"18,1", "18,2"}},
        {"ring", [](P& p) { p.GameOPBnDown(6), p.GameOPBnUp(6); }, {"19,1", "19,2"}},
        {"triangle", [](P& p) { p.GameOPBnDown(8), p.GameOPBnUp(8); }, {"30,1", "30,2"}},
        {"L1", [](P& p) { p.GameOPBnDown(P::kL1Tag), p.GameOPBnUp(P::kL1Tag); }, {"34,3"}},
        {"L2", [](P& p) { p.GameOPBnDown(10), p.GameOPBnUp(10); }, {"17,3"}},
        {"R1", [](P& p) { p.GameOPBnDown(11), p.GameOPBnUp(11); }, {"24,3"}},
        {"R2", [](P& p) { p.GameOPBnDown(12), p.GameOPBnUp(12); }, {"21,3"}},
        {"select", [](P& p) { p.GameOPBnDown(102), p.GameOPBnUp(102); }, {"57,3"}},
        {"start", [](P& p) { p.GameOPBnDown(103), p.GameOPBnUp(103); }, {"56,3"}},
        {"L1 lifted outside", [](P& p) { p.GameOPBnDown(9), p.buttonUp(9, false); }, {}},
        {"an unknown tag", [](P& p) { p.GameOPBnDown(42), p.GameOPBnUp(42); }, {}},
        {"up then right", slide({kUp, kRight}), Events{kUpDown, kRightDown} + kRelease},
        {"up, centre, up", slide({kUp, kCentre, kUp}), Events{kUpDown, kUpDown} + kRelease},
        {"down then left", slide({kDown, kLeft}), Events{kDownDown, kLeftDown} + kRelease},
        {"a diagonal", slide({kUpLeft}), kRelease},
        {"up, outside", slide({kUp, kOutside}), Events{kUpDown} + kRelease},
        {"a tap in the centre", slide({kCentre}), kRelease},
    };
    for (const Case& c : cases) {
        auto pad = openPad();
        c.touch(*pad);
        EXPECT_EQ(sent(), c.sent) << c.what;
        forget(std::move(pad));
    }
}

TEST_F(GamepadPadTest, EveryKeyUpIsSentAgainFromTheQueue) {
    auto pad = openPad();
    pad->GameOPBnDown(P::kXTag);
    pad->GameOPBnUp(P::kXTag);
    EXPECT_EQ(sent(), (Events{"20,1", "20,2"}));
    ASSERT_EQ(queue.delayed.size(), 1u);
    EXPECT_EQ(queue.delayed[0].first, std::chrono::milliseconds(5));
    EXPECT_EQ(repeats(), (Events{"20,2"}));
    EXPECT_EQ(repeats(), Events{});

    // Clicks are not repeated; the four key-ups of the direction pad are.
    pad->GameOPBnUp(P::kL1Tag);
    pad->directionTouchBegan(kUp.x, kUp.y);
    pad->directionTouchEnded();
    EXPECT_EQ(sent(), (Events{"34,3", kUpDown} + kRelease));
    EXPECT_EQ(repeats(), kRelease);

    // Pressed again before the repeat is due: the late repeat must not lift it.
    pad->GameOPBnDown(P::kXTag);
    pad->GameOPBnUp(P::kXTag);
    pad->GameOPBnDown(P::kXTag);
    EXPECT_EQ(sent(), (Events{"20,1", "20,2", "20,1"}));
    EXPECT_EQ(repeats(), Events{});
    EXPECT_TRUE(pad->isHeld(GameButton::X));
}

TEST_F(GamepadPadTest, NoKeyStaysHeld) {
    struct Case {
        std::string what;
        std::function<void(P&)> end;
        Events sent;
        bool closesScreen;
    };
    const Events kLiftBothTwice = kRelease + Events{"20,2"} + kRelease + Events{"20,2"};
    // Each case starts with X held and the direction pad's up cell pressed.
    const Case cases[] = {
        {"X lifted outside", [](P& p) { p.buttonUp(P::kXTag, false); }, {"20,2"}, false},
        {"X cancelled", [](P& p) { p.buttonCancelled(P::kXTag); }, {"20,2"}, false},
        {"pad cancelled", [](P& p) { p.directionTouchCancelled(); }, kRelease, false},
        {"screen covered", [](P& p) { p.viewWillDisappear(); }, kRelease + Events{"20,2"}, false},
        // Leaving sends the waiting repeats at once, before the socket closes.
        {"exit", [](P& p) { p.GameOPBnUp(P::kExitTag); }, kLiftBothTwice, true},
        {"link lost", [](P& p) { p.linkLost(); }, kLiftBothTwice, true},
    };
    for (const Case& c : cases) {
        view = std::make_shared<PadView>();
        auto pad = openPad();
        pad->GameOPBnDown(P::kXTag);
        pad->directionTouchBegan(kUp.x, kUp.y);
        EXPECT_EQ(sent(), (Events{"20,1", kUpDown}));
        c.end(*pad);
        EXPECT_EQ(sent(), c.sent) << c.what;
        EXPECT_EQ(view->closed, c.closesScreen) << c.what;
        forget(std::move(pad));
    }

    // The core controller's closed-link notification lifts them too and closes the screen.
    auto pad = openPad();
    pad->GameOPBnDown(P::kXTag);
    sent();
    notifications.postNow(AuthCore::kNetworkClosedNotification);
    EXPECT_EQ(sent(), (Events{"20,2", "20,2"}));  // the repeat goes out before the socket closes
    EXPECT_TRUE(pad->closed());

    // A screen destroyed with keys held lifts them on its way out.
    pad = openPad();
    pad->directionTouchBegan(kLeft.x, kLeft.y);
    pad->GameOPBnDown(P::kRingTag);
    sent();
    pad.reset();
    EXPECT_EQ(sent(), (kRelease + Events{"19,2"} + kRelease + Events{"19,2"}));
}

TEST_F(GamepadPadTest, ExitClosesTheSocketAndNothingIsSentAfter) {
    auto pad = openPad();
    EXPECT_FALSE(pad->socketOpen());  // no socket before the first event
    pad->GameOPBnUp(P::kExitTag);
    EXPECT_EQ(sent(), Events{});
    EXPECT_TRUE(view->closed);
    EXPECT_EQ(sockets->opens, 0);

    pad = openPad();
    pad->GameOPBnUp(P::kStartTag);
    EXPECT_TRUE(pad->socketOpen());
    EXPECT_EQ(sockets->timeouts, (std::vector<std::pair<int, int>>{{1000, 1}}));
    pad->GameOPBnUp(P::kExitTag);
    EXPECT_EQ(sockets->closed, std::vector<int>{100});
    pad->GameOPBnDown(P::kXTag);
    pad->directionTouchBegan(kUp.x, kUp.y);
    EXPECT_EQ(sent(), Events{"56,3"});
    EXPECT_EQ(sockets->opens, 1);
}

TEST_F(GamepadPadTest, PlaysWithTheConfigurationLastOpened) {
    GameHandleSetVC settings(std::weak_ptr<GameHandleSetView>(), *defaults, 2);
    settings.viewDidLoad();
    auto pad = openPad();
    EXPECT_EQ(pad->setType(), 2);
    pad->directionTouchBegan(kUp.x, kUp.y);
    pad->directionTouchMoved(kLeft.x, kLeft.y);
    pad->GameOPBnDown(P::kXTag);
    // Arrows 36 to 39 and Num2.
    EXPECT_EQ(sent(), (Events{"36,1", "38,1", "43,1"}));

    GameHandleSetVC one(std::weak_ptr<GameHandleSetView>(), *defaults, 1);
    one.viewDidLoad();
    one.L1BnAction();
    ASSERT_EQ(one.DropDownSelectValue("PageDown"), KeyChoiceOutcome::Stored);
    defaults->setString("GAMESELECTBN1", "MouseLeft");
    defaults->setString("GAMESTARTBN1", "nonsense");
    pad = openPad();
    sent();
    pad->GameOPBnUp(P::kL1Tag);
    pad->GameOPBnUp(P::kSelectTag);
    pad->GameOPBnUp(P::kStartTag);
    EXPECT_EQ(sent(), (Events{"73,3", "200,3", "0,3"}));
}

TEST_F(GamepadPadTest, SocketAndLayoutTroublesCostOneEventAtMost) {
    sockets->failOpens = 1;
    auto pad = openPad();
    pad->GameOPBnUp(P::kL1Tag);  // dropped: no socket
    pad->GameOPBnUp(P::kL2Tag);  // a new try
    EXPECT_EQ(sent(), Events{"17,3"});

    // A pad not laid out yet has only its centre: touches press nothing.
    view->size = {0, 0};
    pad->directionTouchBegan(kUp.x, kUp.y);
    pad->directionTouchMoved(kLeft.x, kLeft.y);
    EXPECT_EQ(sent(), Events{});
    EXPECT_EQ(view->pictures, std::vector<std::uint64_t>{});
}

}  // namespace
}  // namespace pd::test
