// The application object against a computer whose bytes the test controls: pairing opens the
// tabs and the file manager, leaving the front keeps the computer remembered earlier until one
// is chosen, and a closed link closes the tabs and ends a connect in progress.

#include "app/AppDelegate.h"

#include "core/AuthCore.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/Dispatch.h"
#include "platform/PhotoLibrary.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

using namespace pd;
using namespace pd::test;

namespace {

struct RecordingServerView : ServerView {
    std::vector<PairingOutcome> outcomes;
    void pairingEnded(PairingOutcome o) override { outcomes.push_back(o); }
};

struct RecordingTabsView : MainTabBarView {
    std::vector<TabItem> tabs;
    void setTabs(const std::vector<TabItem>& t) override { tabs = t; }
};

struct RecordingAppView : AppView {
    std::shared_ptr<RecordingServerView> server = std::make_shared<RecordingServerView>();
    std::vector<std::shared_ptr<RecordingTabsView>> tabs;
    std::shared_ptr<MoreView> moreView = std::make_shared<MoreView>();
    int moreShown = 0;
    int serverListShown = 0;
    std::shared_ptr<MoreView> presentMore(
        const std::shared_ptr<MoreTableViewController>&) override {
        ++moreShown;
        return moreView;
    }
    void showServerList() override { ++serverListShown; }
    std::vector<LinkRecoveryState::Phase> recovery;
    void showLinkRecovery(const LinkRecoveryState& state) override {
        recovery.push_back(state.phase);
    }
    std::shared_ptr<ServerView> presentServerList(
        const std::shared_ptr<ServerViewController>&) override {
        return server;
    }
    std::shared_ptr<MainTabBarView> presentMainTabs(
        const std::shared_ptr<MainTabBarViewController>&) override {
        tabs.push_back(std::make_shared<RecordingTabsView>());
        return tabs.back();
    }
};

class AppDelegateTest : public TempHome {
  protected:
    void SetUp() override {
        AuthCore::ShareInstance().resetForTests();
        launch({});
    }
    void launch(AppConfig config) {
        app.reset();
        config.searchOnLaunch = false;  // nothing here may search a real network
        app = std::make_unique<AppDelegate>(view, config);
        ASSERT_TRUE(app->didFinishLaunchingWithOptions());
    }
    void TearDown() override {
        app.reset();
        AuthCore::ShareInstance().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    // Taps the scripted computer's row and lets it accept (or refuse) the hello.
    void connect(int result = 0) {
        ServerData s;
        s.IP = "127.0.0.1";
        s.DeviceName = "PC";
        s.DeviceNameTag = "TAG-1";
        s.WSAPSupport = "TRUE";
        s.WSAPPort = pc.port();
        s.HttpPort = 1;
        app->serverList().CommondAuthCore(app->serverList().addServer(s), "", true);
        ASSERT_TRUE(pc.accept());
        ASSERT_TRUE(pc.readMessage());
        if (result >= 0) {
            pc.sendMessage(1039, pack({I(255), I(result), R("TICKET")}));
        }
    }

    ScriptedComputer pc;
    std::shared_ptr<RecordingAppView> view = std::make_shared<RecordingAppView>();
    std::unique_ptr<AppDelegate> app;
};

}  // namespace

// That the computer paired last is remembered, and that the file manager lists the drives at
// once, the terminal front-end's tests show (pairing again without naming it, ls); that the
// tabs close and the server list shows again, the graphical front-end's.
TEST_F(AppDelegateTest, PairingOpensTheTabsAndADroppedLinkIsRestoredOrClosesThem) {
    UserDefaults::standard().setString("LASTDEVICETAG", "EARLIER");
    app->applicationDidEnterBackground();  // nothing chosen in this run: the earlier one stays
    EXPECT_EQ(UserDefaults::standard().stringForKey("LASTDEVICETAG"), "EARLIER");

    connect();
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    ASSERT_EQ(view->tabs.size(), 1u);
    EXPECT_EQ(view->tabs.front()->tabs.size(), 3u);
    EXPECT_EQ(view->server->outcomes, std::vector{PairingOutcome::Paired});

    // The computer closes the link: the tabs stay while the phone links again with the code
    // it holds.
    using Phase = LinkRecoveryState::Phase;
    AuthCore::ShareInstance().setReconnectDelays([](int) { return std::chrono::milliseconds(1); });
    pc.closeLink();
    ASSERT_TRUE(pumpMainUntil([&] { return pc.accept(std::chrono::milliseconds(0)); }));
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1039, pack({I(255), I(0), R("TICKET-2")}));
    ASSERT_TRUE(pumpMainUntil(
        [&] { return !view->recovery.empty() && view->recovery.back() == Phase::Restored; }));
    EXPECT_EQ(view->recovery.front(), Phase::Reconnecting);
    EXPECT_EQ(view->tabs.size(), 1u);
    EXPECT_TRUE(AuthCore::ShareInstance().hasAcceptedLink());

    // Closed again, and the code refused: only the user can give the new one, so the tabs
    // close and the server list shows why.
    pc.closeLink();
    ASSERT_TRUE(pumpMainUntil([&] { return pc.accept(std::chrono::milliseconds(0)); }));
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1039, pack({I(255), I(2), R("")}));
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() == nullptr; }));
    EXPECT_EQ(view->recovery.back(), Phase::GaveUp);
    EXPECT_EQ(view->server->outcomes.back(), PairingOutcome::LinkClosed);
    EXPECT_FALSE(AuthCore::ShareInstance().hasAcceptedLink());
}

TEST_F(AppDelegateTest, ALinkClosedBeforeTheAnswerEndsTheConnect) {
    connect(-1);  // no answer to the hello
    pc.closeLink();
    ASSERT_TRUE(pumpMainUntil([&] { return !view->server->outcomes.empty(); }));
    EXPECT_FALSE(app->serverList().isConnecting());
    EXPECT_TRUE(view->tabs.empty());
}

// Loopback computers never appear in the kernel's table, so the test gives one of its own.
TEST_F(AppDelegateTest, PairingRemembersWhereTheComputerIsAndItsHardwareAddress) {
    const auto table = home() / "arp";
    std::ofstream(table) << "IP address  HW type  Flags  HW address  Mask  Device\n"
                         << "127.0.0.1  0x1  0x2  02:00:5e:10:20:30  *  lo\n";
    AppConfig config;
    config.neighbourTable = table.string();
    launch(config);

    connect();
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    const auto record = pcListByDeviceTag(app->managedObjectContext(), "TAG-1");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->hwAddress, "02:00:5e:10:20:30");
    EXPECT_EQ(record->ipAddress, "127.0.0.1");
    EXPECT_EQ(record->pcName, "PC");
}

TEST_F(AppDelegateTest, TheMoreScreenOpensOverTheTabsAndLeadsBackToTheServerList) {
    connect();
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    app->showMore();
    EXPECT_EQ(view->moreShown, 1);
    ASSERT_TRUE(app->more());

    // Back to the server list: the tabs close, the link stays, and the same computer opens
    // them again at once.
    app->more()->didSelectRow(MoreTableViewController::kServerListTag);
    EXPECT_EQ(view->serverListShown, 1);
    EXPECT_FALSE(app->mainTabs());
    EXPECT_TRUE(AuthCore::ShareInstance().hasAcceptedLink());
    app->serverList().didSelectRow(0);
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    EXPECT_EQ(view->tabs.size(), 2u);
    EXPECT_EQ(view->server->outcomes.back(), PairingOutcome::KeptLink);
}

TEST_F(AppDelegateTest, ThePhotoFolderSettingIsTheLibraryUnlessPhotosIsGiven) {
    const auto chosen = home() / "chosen";
    Settings::standard().setPhotoFolder(chosen.string());
    launch({});
    EXPECT_EQ(PhotoLibrary::defaultRoot(), chosen);
    AppConfig config;
    config.photosDir = (home() / "given").string();
    launch(config);
    EXPECT_EQ(PhotoLibrary::defaultRoot(), home() / "given");
    PhotoLibrary::setDefaultRoot(std::nullopt);
}

// The remembered computer answers only at its own address (as behind a network that drops
// broadcasts): becoming active asks it there, lists it and reconnects to it.
TEST_F(AppDelegateTest, BecomingActiveAsksTheRememberedComputersWhereTheyWere) {
    const int computer = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(computer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(computer, reinterpret_cast<sockaddr*>(&address), &length), 0);
    AppConfig config;
    config.interfaceName = "lo";
    config.discoveryPort = ntohs(address.sin_port);
    launch(config);
    ObjectStore& store = app->managedObjectContext();
    ASSERT_TRUE(addPcList(store, "T1", true, "", std::chrono::system_clock::now()));
    ASSERT_TRUE(rememberPcAddress(store, *pcListByDeviceTag(store, "T1"), "127.0.0.1", "PC", ""));
    Settings::standard().SaveLastDeviceTag("T1");
    ASSERT_TRUE(app->serverList().serverListArr().empty());

    app->applicationDidBecomeActive();
    pollfd pfd{computer, POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 5000), 1);
    char request[512];
    sockaddr_in phone{};
    socklen_t phoneLength = sizeof phone;
    const ssize_t got = ::recvfrom(computer, request, sizeof request, 0,
                                   reinterpret_cast<sockaddr*>(&phone), &phoneLength);
    ASSERT_GT(got, 0);
    EXPECT_TRUE(std::string(request, static_cast<std::size_t>(got)).starts_with("broadcast "));
    const std::string reply =
        "QVR-Broadcast/1.0 200 OK\r\nIP:127.0.0.1\r\nDevice-Name:PC-T1\r\n"
        "QVRWSAP-Support:TRUE\r\nQVRWSAP-Port:" +
        std::to_string(pc.port()) + "\r\nHttp-Port:1\r\n";
    ASSERT_EQ(::sendto(computer, reply.data(), reply.size(), 0,
                       reinterpret_cast<const sockaddr*>(&phone), phoneLength),
              static_cast<ssize_t>(reply.size()));
    ::close(computer);

    // Everyone asked has answered: the list shows it and the connect starts without a wait.
    ASSERT_TRUE(pumpMainUntil([&] { return app->serverList().isConnecting(); }));
    ASSERT_TRUE(pc.accept());
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    ASSERT_EQ(app->serverList().serverListArr().size(), 1u);
    EXPECT_EQ(app->serverList().serverListArr()[0].serverData.DeviceNameTag, "T1");
    EXPECT_EQ(view->server->outcomes, std::vector{PairingOutcome::Paired});
}
