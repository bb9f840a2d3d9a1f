// The real link engine against the real peer on 127.0.0.1.

#include "PeerFixture.h"

#include "NetWork/CServerManager.h"
#include "support/WaitFor.h"

#include <atomic>
#include <memory>
#include <thread>

using namespace pd;
using namespace pd::test;

namespace {

class Link {
  public:
    Link(int port, std::string code) : mgr(std::make_unique<CServerManager>()) {
        mgr->CNetClassMgrBlock([this](int s) { lastState.store(s); });
        mgr->WaitFileCommandResutBlock([this] { answers.fetch_add(1); });
        thread = std::thread(
            [m = mgr.get(), port, code] { m->ConnectLanServer("127.0.0.1", port, code); });
    }
    ~Link() {
        mgr.reset();
        thread.join();
    }
    // Registers for the next answer and runs the request; true when it was answered.
    bool ask(const std::function<void(CServerManager&)>& request) {
        const int before = answers.load();
        mgr->WaitFileCommandResutBlock([this] { answers.fetch_add(1); });
        request(*mgr);
        return waitFor([&] { return answers.load() > before; });
    }
    std::unique_ptr<CServerManager> mgr;
    std::thread thread;
    std::atomic<int> answers{0};
    std::atomic<int> lastState{-1};
};

class LinkAgainstPeer : public PeerFixture {};

}  // namespace

// Most requests reach the real peer through the terminal front-end's tests; here the ones no
// command makes follow an accepted handshake.
TEST_F(LinkAgainstPeer, DirectAcceptanceAndTheRequestsNoCommandMakes) {
    startPeer({"--direct-accept"});
    Link link(peerProcess->controlPort(), "");
    ASSERT_TRUE(waitFor([&] { return link.answers.load() == 1; }));
    ASSERT_TRUE(link.mgr->IsAuthSucess());

    ASSERT_TRUE(link.ask([](CServerManager& m) { m.FindFolder("Q:/missing"); }));
    EXPECT_NE(link.mgr->GetErrorCode(), 0);

    for (auto request : {&CServerManager::RemoteLockScreen, &CServerManager::RemoteStandby,
                         &CServerManager::RemoteReboot, &CServerManager::RemoteShutdown}) {
        ASSERT_TRUE(link.ask([request](CServerManager& m) { (m.*request)(); }));
        EXPECT_EQ(link.mgr->GetErrorCode(), 0);
    }

    // The backup folder is made on drive D; the second time it is already there.
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(link.ask([](CServerManager& m) { m.UploadPath(1); }));
        EXPECT_EQ(link.mgr->GetErrorCode(), 0);
        EXPECT_EQ(link.mgr->GetBackUpPath(), "D:/PhoneBackup");
    }
    EXPECT_TRUE(std::filesystem::is_directory(disk / "D" / "PhoneBackup"));

    ASSERT_TRUE(link.ask([](CServerManager& m) { m.GetDirInfo("D:/Music"); }));
    EXPECT_EQ(link.mgr->DirInfoContent(), (DirInfoData{2, 1, "D:/Music", 3'400'000}));

    EXPECT_EQ(link.lastState.load(), -1);  // the link stayed up throughout
}
