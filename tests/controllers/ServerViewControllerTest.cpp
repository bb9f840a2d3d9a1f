// The server list and pairing flow with a recording view, against a computer whose bytes the
// test controls.

#include "controllers/ServerViewController.h"

#include "core/AuthCore.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Md5.h"
#include "platform/ToolPackage.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

using namespace pd;
using namespace pd::test;

namespace {

struct RecordingServerView : ServerView {
    std::vector<std::string> events;
    std::function<int()> confirmationAnswer = [] { return 1; };
    std::optional<std::int64_t> checkCodeRow;

    void showProgress(const std::string& key) override { events.push_back("progress " + key); }
    void hideProgress() override { events.push_back("hide progress"); }
    void showTip(const std::string& text, std::chrono::milliseconds d) override {
        events.push_back("tip " + text + " " + std::to_string(d.count()));
    }
    void askConfirmation(const std::string& key, const std::vector<std::string>&,
                         std::function<void(int)> answer) override {
        events.push_back("ask " + key);
        answer(confirmationAnswer());
    }
    void showIntro(int pages) override { events.push_back("intro " + std::to_string(pages)); }
    void reloadRows(const std::vector<ServerListData>& rows) override {
        events.push_back("rows " + std::to_string(rows.size()));
    }
    void pairingEnded(PairingOutcome o) override {
        if (o == PairingOutcome::Paired || o == PairingOutcome::KeptLink)
            events.push_back("tabs");
        outcomes.push_back(o);
    }
    std::vector<PairingOutcome> outcomes;
    void presentCheckCode(std::int64_t row, const std::string&) override {
        events.push_back("check code " + std::to_string(row));
        checkCodeRow = row;
    }
    bool saw(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
};

ServerData computer(const std::string& name, const std::string& tag, int port) {
    ServerData s;
    s.IP = "127.0.0.1";
    s.DeviceName = name;
    s.DeviceNameTag = tag;
    s.WSAPSupport = "TRUE";
    s.WSAPPort = port;
    s.HttpPort = 1;
    return s;
}

class ServerListTest : public TempHome {
  protected:
    void SetUp() override {
        AuthCore::ShareInstance().resetForTests();
        DiscoveryOptions options;
        // No usable interface: a search ends at once with nothing found.
        options.interfaces = std::make_shared<FixedNetworkInterfaces>(std::vector<NetInterface>{});
        finder = std::make_unique<CFindBroadcast>(options);
        view = std::make_shared<RecordingServerView>();
        store = std::make_unique<ObjectStore>(home() / "Documents" / ObjectStore::kFileName);
        defaults = std::make_unique<UserDefaults>(home() / "defaults.json");
        controller = std::make_shared<ServerViewController>(
            view,
            ServerViewController::Services{AuthCore::ShareInstance(), *finder, *store, *defaults});
    }
    void TearDown() override {
        controller.reset();
        AuthCore::ShareInstance().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    void answerHello(ScriptedComputer& pc, int result = 0) {
        ASSERT_TRUE(pc.accept());
        auto hello = pc.readMessage();
        ASSERT_TRUE(hello);
        pc.sendMessage(1039, pack({I(255), I(result), R(result == 0 ? "TICKET" : "")}));
    }

    std::unique_ptr<CFindBroadcast> finder;
    std::shared_ptr<RecordingServerView> view;
    std::unique_ptr<ObjectStore> store;
    std::unique_ptr<UserDefaults> defaults;
    std::shared_ptr<ServerViewController> controller;
};

}  // namespace

TEST_F(ServerListTest, FirstRunShowsTheIntroductionBeforeSearching) {
    controller->viewDidLoad();
    EXPECT_TRUE(view->saw("intro 4"));
    EXPECT_FALSE(view->saw("progress findPc"));
    controller->introFinished();
    EXPECT_TRUE(view->saw("progress findPc"));
    EXPECT_EQ(defaults->stringForKey("RUNTAG"), ToolPackage::GetAppVersion());
    // A search that finds nothing still stops the spinner and keeps the (empty) rows.
    ASSERT_TRUE(pumpMainUntil([&] { return !controller->isSearching(); }));
    EXPECT_TRUE(view->saw("hide progress"));
    EXPECT_FALSE(view->saw("rows 0"));

    // The next start of this version searches at once.
    view->events.clear();
    controller->viewDidLoad();
    EXPECT_FALSE(view->saw("intro 4"));
    EXPECT_TRUE(view->saw("progress findPc"));
}

TEST_F(ServerListTest, NewComputerPairsWithTheEmptyCodeAndIsRemembered) {
    ScriptedComputer pc;
    controller->addServer(computer("OFFICE-PC", "7F3A", pc.port()));
    controller->didSelectRow(0);
    EXPECT_TRUE(view->saw("progress connecting"));
    answerHello(pc);
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("tabs"); }));
    auto record = pcListByDeviceTag(*store, "7F3A");
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->bcheck);
    EXPECT_EQ(record->checkCode, "");
    EXPECT_EQ(controller->curConnectServer(), "7F3A");

    // Tapping the connected computer again keeps the link.
    view->events.clear();
    controller->didSelectRow(0);
    EXPECT_TRUE(view->saw("tabs"));
    EXPECT_FALSE(pc.readMessage(std::chrono::milliseconds(100)));
}

TEST_F(ServerListTest, RememberedComputerUsesItsStoredCodeAndSwitchingAsksFirst) {
    ScriptedComputer first;
    ScriptedComputer second;
    ASSERT_TRUE(addPcList(*store, "B", true, "123456", std::chrono::system_clock::now()));
    controller->addServer(computer("ALPHA", "A", first.port()));
    controller->addServer(computer("BETA", "B", second.port()));
    // Remembered computers are listed first.
    EXPECT_EQ(controller->serverListArr()[0].serverData.DeviceNameTag, "B");
    EXPECT_TRUE(controller->serverListArr()[0].remembered);

    controller->didSelectRow(1);  // ALPHA, never paired
    answerHello(first);
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("tabs"); }));

    view->events.clear();
    view->confirmationAnswer = [] { return 0; };  // cancel
    // ALPHA is remembered now too, so the rows were sorted again: find BETA by its tag.
    controller->didSelectRow(*controller->rowOfTag("B"));
    EXPECT_TRUE(view->saw("ask switchPc"));
    EXPECT_FALSE(view->saw("progress connecting"));

    view->confirmationAnswer = [] { return 1; };
    controller->didSelectRow(*controller->rowOfTag("B"));
    ASSERT_TRUE(second.accept());
    auto hello = second.readMessage();
    ASSERT_TRUE(hello);
    // Challenge, then check the proof carries the stored code's digest.
    second.sendMessage(1000, pack({I(255), I(1), R("CH"), R("")}));
    auto proof = second.readMessage();
    ASSERT_TRUE(proof);
    auto body = msg::decode(proof->body);
    ASSERT_TRUE(body);
    const std::string deviceInfo(*body->root()[1].asRaw());
    const std::string nonce(*body->root()[4].asRaw());
    EXPECT_EQ(body->root()[6].asRaw(), md5HexLower(deviceInfo + nonce + "123456" + "CH"));
    second.sendMessage(1000, pack({I(256), I(0), R(""), R("T2")}));
    ASSERT_TRUE(pumpMainUntil([&] { return controller->curConnectServer() == "B"; }));
}

TEST_F(ServerListTest, RefusalShowsTheTipAndOffersTheCheckCodeEntry) {
    ScriptedComputer pc;
    controller->addServer(computer("OFFICE", "T", pc.port()));
    controller->didSelectRow(0);
    answerHello(pc, 2);
    ASSERT_TRUE(pumpMainUntil([&] { return view->checkCodeRow.has_value(); }));
    EXPECT_TRUE(view->saw("tip pc Rejected 2000"));
    EXPECT_EQ(view->outcomes, std::vector{PairingOutcome::Refused});

    // The entered code goes through the connect step.
    AUTHViewController entry(*view->checkCodeRow, "T", controller);
    entry.viewDidLoad();
    for (int i = 0; i < 6; ++i) {
        entry.textDidChange(i, std::string(1, char('1' + i)));
    }
    ASSERT_TRUE(pc.accept());
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1000, pack({I(255), I(1), R("C"), R("")}));
    auto proof = pc.readMessage();
    ASSERT_TRUE(proof);
    auto body = msg::decode(proof->body);
    const std::string nonce(*body->root()[4].asRaw());
    EXPECT_EQ(body->root()[6].asRaw(),
              md5HexLower(std::string(*body->root()[1].asRaw()) + nonce + "123456" + "C"));
}

TEST_F(ServerListTest, DeadAddressShowsConnectionFailed) {
    int dead;
    {
        ScriptedComputer gone;
        dead = gone.port();
    }
    controller->addServer(computer("GONE", "G", dead));
    controller->didSelectRow(0);
    ASSERT_TRUE(pumpMainUntil([&] { return !controller->isConnecting(); }));
    EXPECT_TRUE(view->saw("tip connection failed 2000"));
    EXPECT_EQ(view->outcomes, std::vector{PairingOutcome::ConnectionFailed});
}

TEST_F(ServerListTest, BecomingActiveReconnectsToTheLastRememberedComputer) {
    ScriptedComputer pc;
    ASSERT_TRUE(addPcList(*store, "LAST", true, "", std::chrono::system_clock::now()));
    AuthCore::ShareInstance().deviceTag = "LAST";
    AuthCore::ShareInstance().SaveLastDeviceTag();
    controller->addServer(computer("HOME", "LAST", pc.port()));
    controller->BecomeActiveNotification();
    answerHello(pc);
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("tabs"); }));
    // Active again with the link up: nothing new.
    controller->BecomeActiveNotification();
    EXPECT_FALSE(pc.readMessage(std::chrono::milliseconds(100)));
}

TEST(CheckCodeEntry, FieldsTakeOneCharacterAndFocusMoves) {
    struct Delegate : AUTHViewControllerDelegate {
        std::string code;
        bool cancelled = false;
        void AUTHViewControllerFinish(AUTHViewController&, const std::string& c, bool,
                                      std::int64_t) override {
            code = c;
        }
        void AUTHViewControllerDidCancel(AUTHViewController&) override { cancelled = true; }
    };
    auto d = std::make_shared<Delegate>();
    AUTHViewController entry(4, "tag", d);
    entry.viewDidLoad();
    EXPECT_EQ(entry.focusedField(), 0);
    EXPECT_FALSE(entry.shouldChangeText(0, "12"));
    entry.textDidChange(0, "1");
    EXPECT_EQ(entry.focusedField(), 1);
    entry.textDidChange(1, "2");
    entry.textDidChange(1, "");
    EXPECT_EQ(entry.focusedField(), 0);
    entry.textDidChange(0, "");
    EXPECT_EQ(entry.focusedField(), 0);
    for (int i = 0; i < 6; ++i) {
        entry.textDidChange(i, std::string(1, char('0' + i)));
    }
    EXPECT_EQ(d->code, "012345");
    entry.cancel();
    EXPECT_TRUE(d->cancelled);
}
