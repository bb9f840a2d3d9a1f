// The server list and pairing flow with a recording view, against a computer whose bytes the
// test controls.

#include "controllers/ServerViewController.h"

#include "BrowserTestSupport.h"
#include "model/PcList.h"
#include "platform/Md5.h"
#include "platform/ToolPackage.h"
#include "platform/UserDefaults.h"

using namespace pd;
using namespace pd::test;
using namespace pd::test::browser;

namespace {

struct RecordingServerView : Recording<ServerView> {
    std::optional<std::int64_t> checkCodeRow;

    void showIntro(int pages) override { add("intro " + std::to_string(pages)); }
    void reloadRows(const std::vector<ServerListData>& r) override {
        add("rows " + std::to_string(r.size()));
    }
    void pairingEnded(PairingOutcome o) override {
        add(std::array{"paired", "kept link", "refused", "connection failed",
                       "link closed"}[static_cast<int>(o)]);
    }
    void presentCheckCode(std::int64_t row, const std::string&) override {
        add("check code " + std::to_string(row));
        checkCodeRow = row;
    }
    void dismissCheckCode() override { add("dismiss check code"); }
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
    static void answerHello(ScriptedComputer& pc, int result = 0) {
        ASSERT_TRUE(pc.accept());
        ASSERT_TRUE(pc.readMessage());
        pc.sendMessage(1039, pack({I(255), I(result), R(result == 0 ? "TICKET" : "")}));
    }
    // Challenges the phone's hello; true when its proof was made with `code`.
    static bool proofUses(ScriptedComputer& pc, const std::string& code) {
        if (!pc.accept() || !pc.readMessage())
            return false;
        pc.sendMessage(1000, pack({I(255), I(1), R("CH"), R("")}));
        auto proof = pc.readMessage();
        auto body = proof ? msg::decode(proof->body) : std::nullopt;
        if (!body)
            return false;
        const msg::View b = body->root();
        const std::string deviceInfo(b[1].asRaw().value_or("")), nonce(b[4].asRaw().value_or(""));
        return b[6].asRaw() == md5HexLower(deviceInfo + nonce + code + "CH");
    }

    std::unique_ptr<CFindBroadcast> finder;
    std::shared_ptr<RecordingServerView> view = std::make_shared<RecordingServerView>();
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
    view->clear();
    controller->viewDidLoad();
    EXPECT_FALSE(view->saw("intro 4"));
    EXPECT_TRUE(view->saw("progress findPc"));
}

TEST_F(ServerListTest, NewComputerPairsWithTheEmptyCodeAndIsRestoredWhenActiveAgain) {
    ScriptedComputer pc;
    controller->addServer(computer("OFFICE-PC", "7F3A", pc.port()));
    controller->didSelectRow(0);
    EXPECT_TRUE(view->saw("progress connecting"));
    answerHello(pc);
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("paired"); }));
    auto record = pcListByDeviceTag(*store, "7F3A");
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->bcheck);
    EXPECT_EQ(record->checkCode, "");
    EXPECT_EQ(controller->curConnectServer(), "7F3A");

    // Tapping the connected computer again, or becoming active, keeps the link; becoming
    // active leaves the core's answers to the screen in front.
    controller->didSelectRow(0);
    EXPECT_TRUE(view->saw("kept link"));
    auto inFront = std::make_shared<AuthCoreDelegate>();
    AuthCore::ShareInstance().setDelegate(inFront);
    controller->BecomeActiveNotification();
    EXPECT_EQ(AuthCore::ShareInstance().delegate(), inFront);
    EXPECT_FALSE(pc.readMessage(std::chrono::milliseconds(100)));

    // Without a link, becoming active reconnects to the computer paired last.
    AuthCore::ShareInstance().SaveLastDeviceTag();
    AuthCore::ShareInstance().ResetServer();
    view->clear();
    controller->BecomeActiveNotification();
    answerHello(pc);
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("paired"); }));
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
    ASSERT_TRUE(pumpMainUntil([&] { return view->saw("paired"); }));

    // ALPHA is remembered now too, so the rows were sorted again: find BETA by its tag.
    view->clear();
    controller->didSelectRow(*controller->rowOfTag("B"));
    EXPECT_EQ(view->events, std::vector<std::string>{"ask switchPc:cancel|ok"});
    view->answer(0);
    controller->didSelectRow(*controller->rowOfTag("B"));
    view->answer(1);
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"ask switchPc:cancel|ok", "ask switchPc:cancel|ok",
                                        "progress connecting"}));
    EXPECT_TRUE(proofUses(second, "123456"));
    second.sendMessage(1000, pack({I(256), I(0), R(""), R("T2")}));
    ASSERT_TRUE(pumpMainUntil([&] { return controller->curConnectServer() == "B"; }));
}

// That the six digits typed in turn pair with that code, the front-end's test shows.
TEST_F(ServerListTest, RefusalShowsTheTipAndOffersTheCheckCodeEntry) {
    ScriptedComputer pc;
    controller->addServer(computer("OFFICE", "T", pc.port()));
    controller->didSelectRow(0);
    answerHello(pc, 2);
    ASSERT_TRUE(pumpMainUntil([&] { return view->checkCodeRow.has_value(); }));
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"rows 1", "progress connecting", "hide progress",
                                        "tip pc Rejected 2000", "refused", "check code 0"}));

    // The entry takes one character per field and moves the focus; cancelling closes it.
    AUTHViewController cancelled(*view->checkCodeRow, "T", controller);
    cancelled.cancel();
    EXPECT_EQ(view->events.back(), "dismiss check code");
    AUTHViewController entry(*view->checkCodeRow, "T", controller);
    entry.viewDidLoad();
    EXPECT_EQ(entry.focusedField(), 0);
    EXPECT_FALSE(entry.shouldChangeText(0, "12"));
    entry.textDidChange(0, "9");
    EXPECT_EQ(entry.focusedField(), 1);
    entry.textDidChange(1, "9");
    entry.textDidChange(1, "");
    EXPECT_EQ(entry.focusedField(), 0);
    entry.textDidChange(0, "");
    EXPECT_EQ(entry.focusedField(), 0);
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
    EXPECT_EQ(view->events,
              (std::vector<std::string>{"rows 1", "progress connecting", "hide progress",
                                        "tip connection failed 2000", "connection failed"}));
}
