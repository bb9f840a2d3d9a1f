// The application object against a computer whose bytes the test controls: pairing opens the
// tabs and the file manager, leaving the front keeps the computer remembered earlier until one
// is chosen, and a closed link closes the tabs and ends a connect in progress.

#include "app/AppDelegate.h"

#include "core/AuthCore.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

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
TEST_F(AppDelegateTest, PairingOpensTheTabsAndAClosedLinkClosesThem) {
    UserDefaults::standard().setString("LASTDEVICETAG", "EARLIER");
    app->applicationDidEnterBackground();  // nothing chosen in this run: the earlier one stays
    EXPECT_EQ(UserDefaults::standard().stringForKey("LASTDEVICETAG"), "EARLIER");

    connect();
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() != nullptr; }));
    ASSERT_EQ(view->tabs.size(), 1u);
    EXPECT_EQ(view->tabs.front()->tabs.size(), 3u);
    EXPECT_EQ(view->server->outcomes, std::vector{PairingOutcome::Paired});

    // The computer closes the link.
    pc.closeLink();
    ASSERT_TRUE(pumpMainUntil([&] { return app->mainTabs() == nullptr; }));
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
