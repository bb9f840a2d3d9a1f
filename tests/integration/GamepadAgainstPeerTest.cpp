// The pad screen against the real peer: the plug "5" acceptance names the receiver's port,
// and the peer sees every key event the pad sends there, the doubled key-ups as harmless.

#include "PeerFixture.h"

#include "NetWork/CServerManager.h"
#include "controllers/GameHandleViewController.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "support/WaitFor.h"

#include <atomic>
#include <thread>

using namespace pd;
using namespace pd::test;

namespace {

class GamepadAgainstPeer : public PeerFixture {
  protected:
    // The peer's next gamepad line as "key action".
    std::string nextKey(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::optional<nlohmann::json> e = peerProcess->nextEvent(limit);
        if (!e || e->value("event", "") != "gamepad") {
            return e ? e->dump() : "nothing";
        }
        return std::to_string(e->value("key", -1)) + " " + e->value("action", "");
    }
};

struct PadView : GameHandleView {
    PadSize directionPadSize() const override { return {300, 300}; }
};

TEST_F(GamepadAgainstPeer, ThePlugAcceptanceNamesTheReceiverThatSeesEveryKey) {
    startPeer({"--direct-accept"});
    const int gamepadPort = peerProcess->ready().value("gamepad_port", 0);
    ASSERT_NE(gamepadPort, 0);

    auto mgr = std::make_unique<CServerManager>();
    std::atomic<int> answers{0};
    mgr->WaitFileCommandResutBlock([&] { answers.fetch_add(1); });
    std::thread link([m = mgr.get(), port = peerProcess->controlPort()] {
        m->ConnectLanServer("127.0.0.1", port, "");
    });
    ASSERT_TRUE(waitFor([&] { return answers.load() == 1; }));
    mgr->WaitFileCommandResutBlock([&] { answers.fetch_add(1); });
    mgr->PlugMessagePost("5", "5", 1, R"({"c":"1"})");
    ASSERT_TRUE(waitFor([&] { return answers.load() == 2; }));
    EXPECT_EQ(mgr->GetHandlePort(), gamepadPort);
    mgr.reset();
    link.join();

    UserDefaults defaults(home() / "defaults.json");
    auto view = std::make_shared<PadView>();
    GameHandleViewController::Services services{defaults, MainQueue::shared()};
    auto pad = std::make_unique<GameHandleViewController>(view, services, "127.0.0.1", gamepadPort);
    pad->viewDidLoad();
    pad->GameOPBnDown(GameHandleViewController::kXTag);
    EXPECT_EQ(nextKey(), "20 down");
    pad->GameOPBnUp(GameHandleViewController::kXTag);
    EXPECT_EQ(nextKey(), "20 up");
    // The repeat leaves from the main queue.
    std::string repeat = "nothing";
    pumpMainUntil([&] { return (repeat = nextKey(std::chrono::milliseconds(10))) != "nothing"; });
    EXPECT_EQ(repeat, "20 already up");

    pad->GameOPBnUp(GameHandleViewController::kL1Tag);
    EXPECT_EQ(nextKey(), "34 click");
    // Held when the screen goes: lifted on the way out.
    pad->directionTouchBegan(250, 150);
    EXPECT_EQ(nextKey(), "32 down");
    pad.reset();
    for (const char* expected : {"32 up", "10 already up", "28 already up", "13 already up"}) {
        EXPECT_EQ(nextKey(), expected);
    }
}

}  // namespace
