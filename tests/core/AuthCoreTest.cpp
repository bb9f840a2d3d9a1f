// The core controller against a computer whose bytes the test controls.

#include "core/AuthCore.h"
#include "core/FinishedFileStore.h"

#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <ctime>
#include <iomanip>
#include <sstream>

using namespace pd;
using namespace pd::test;

namespace {

struct RecordingDelegate : AuthCoreDelegate {
    std::vector<std::string> calls;
    void AuthCoreCheckSucess(std::int64_t index, const std::string& code, bool remember,
                             const std::string& tag) override {
        calls.push_back("paired " + std::to_string(index) + " " + code + " " +
                        (remember ? "remember" : "once") + " " + tag);
    }
    void AuthCoreCheckSucess() override { calls.push_back("kept"); }
    void AuthCoreCheckError(std::int64_t index, const std::string& tag) override {
        calls.push_back("rejected " + std::to_string(index) + " " + tag);
    }
    void AuthCoreCheckUnkowError() override { calls.push_back("unknown error"); }
    void AuthCoreConnectFailed() override { calls.push_back("connection failed"); }
    void AuthCoreListSucess(const ListingRows& rows) override {
        calls.push_back("listed");
        lastRows = rows;
    }
    ListingRows lastRows;
    void AuthCoreMsgPostSucess(std::int32_t port, int type) override {
        calls.push_back("plug " + std::to_string(type) + " " + std::to_string(port));
    }
    void AuthCoreCommandSucess(int command, std::shared_ptr<const std::string> data) override {
        calls.push_back("command " + std::to_string(command) + " " +
                        std::to_string(data ? data->size() : 0));
    }
    void AuthCoreCommandFaile(int command) override {
        calls.push_back("command failed " + std::to_string(command));
    }
};

class AuthCoreTest : public TempHome {
  protected:
    void SetUp() override {
        core().resetForTests();
        delegate = std::make_shared<RecordingDelegate>();
        core().setDelegate(delegate);
        closedToken = NotificationCenter::defaultCenter().addObserver(
            AuthCore::kNetworkClosedNotification,
            [this](const std::string&, const UserInfo&) { ++closed; });
    }
    void TearDown() override {
        NotificationCenter::defaultCenter().removeObserver(closedToken);
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }
    void connectTo(int port, std::string code, int mode, std::string tag = "TAG1") {
        core().serverIp = "127.0.0.1";
        core().port = port;
        core().checkCode = std::move(code);
        core().nServerDataIndex = 3;
        core().bRemember = true;
        core().deviceTag = std::move(tag);
        core().ConnetctPcServer(mode);
    }
    // Accepts the link and answers the hello with a direct acceptance (or a refusal).
    void answerHello(ScriptedComputer& pc, int result = 0) {
        ASSERT_TRUE(pc.accept());
        ASSERT_TRUE(pc.readMessage());
        pc.sendMessage(1039, pack({I(255), I(result), R(result == 0 ? "TICKET" : "")}));
    }
    bool callsAre(std::vector<std::string> expected) {
        return pumpMainUntil([&] { return delegate->calls.size() >= expected.size(); }) &&
               delegate->calls == expected;
    }

    std::shared_ptr<RecordingDelegate> delegate;
    ObserverToken closedToken = 0;
    int closed = 0;
};

}  // namespace

// That mode 0 keeps an accepted link and sends nothing, the server list's tests show.
TEST_F(AuthCoreTest, PairingReplacingClosingRefusalAndFailure) {
    ScriptedComputer first;
    ScriptedComputer pc;
    connectTo(first.port(), "", 1, "A");
    answerHello(first);
    ASSERT_TRUE(callsAre({"paired 3  remember A"}));
    connectTo(pc.port(), "", 2);
    answerHello(pc);
    ASSERT_TRUE(callsAre({"paired 3  remember A", "paired 3  remember TAG1"}));
    first.closeLink();  // the replaced link's end is not this link's end
    MainQueue::shared().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(core().hasAcceptedLink());

    // The computer drops the link: one notification, no facade left.
    pc.closeLink();
    ASSERT_TRUE(pumpMainUntil([&] { return closed == 1; }));
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(core().serverManager(), nullptr);

    // Mode 0 without a link opens a new one; this time the computer refuses.
    delegate->calls.clear();
    connectTo(pc.port(), "999999", 0);
    answerHello(pc, 2);
    EXPECT_TRUE(callsAre({"rejected 3 TAG1"}));
    EXPECT_EQ(core().serverManager(), nullptr);

    // A failed connection after a refusal is still reported, and once.
    connectTo(ScriptedComputer::deadPort(), "", 1);  // nobody listens there any more
    EXPECT_TRUE(callsAre({"rejected 3 TAG1", "connection failed"}));
    EXPECT_EQ(core().serverManager(), nullptr);
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(delegate->calls.size(), 2u);
}

// Each answer becomes one delegate call on the main queue, or none when it is a refusal the
// screen need not hear of.
TEST_F(AuthCoreTest, AnswersReachTheDelegate) {
    ScriptedComputer pc;
    connectTo(pc.port(), "", 1);
    answerHello(pc);
    ASSERT_TRUE(pumpMainUntil([&] { return core().hasAcceptedLink(); }));
    delegate->calls.clear();

    core().GetFileList("C:");
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1001, pack({I(266), I(0), I(0),
                               A({A({R("C:\\Users\\"), I(1), I(0), I(0), R(""), I(0)})})}));
    ASSERT_TRUE(callsAre({"listed"}));
    ASSERT_EQ(core().dirAndFileListArr().size(), 1u);
    EXPECT_EQ(core().dirAndFileListArr()[0].name, "C:/Users");
    EXPECT_EQ(delegate->lastRows.get(), &core().dirAndFileListArr());  // shared, not copied
    // An empty listing, then refusals: 2 is a rejection, anything else an unknown error.
    const std::pair<int, const char*> answers[] = {
        {0, "listed"}, {2, "rejected 3 TAG1"}, {5, "unknown error"}};
    for (const auto& [result, call] : answers) {
        delegate->calls.clear();
        core().GetFileList();
        ASSERT_TRUE(pc.readMessage());
        pc.sendMessage(1001, pack({I(266), I(result), I(0), A({})}));
        EXPECT_TRUE(callsAre({call}));
    }
    EXPECT_TRUE(core().dirAndFileListArr().empty());
    delegate->calls.clear();

    core().PlugMessagePost("6", "0", 1, R"({"c":"start"})");
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0), R(R"({"c":0})")}));
    MainQueue::shared().runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(delegate->calls.empty());
    core().PlugMessagePost("6", "0", 1, R"({"c":"start"})");
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(26, pack({I(0), I(0), I(0), I(0), R(R"({"c":1,"d":7070})")}));
    ASSERT_TRUE(callsAre({"plug 6 7070"}));

    core().RemoteShutdown();
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1025, pack({I(1003), I(3)}));  // refused: nothing
    // One request at a time: the single result slot would hand this answer to the next one.
    ASSERT_TRUE(waitFor([&] { return core().serverManager()->GetErrorCode() == 3; }));
    core().RemoteCaptureScreen();
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1023, pack({I(1002), I(0), R("JPEG")}));
    ASSERT_TRUE(callsAre({"plug 6 7070", "command 23 4"}));
}

TEST_F(AuthCoreTest, DelegateIsWeakAndClearedOnlyByItself) {
    auto other = std::make_shared<RecordingDelegate>();
    core().clearDelegate(other.get());
    EXPECT_EQ(core().delegate(), delegate);
    core().clearDelegate(delegate.get());
    EXPECT_EQ(core().delegate(), nullptr);
    core().setDelegate(other);
    other.reset();
    EXPECT_EQ(core().delegate(), nullptr);
    // Without a link a request has no effect and calls nothing.
    core().GetFileList();
    MainQueue::shared().runFor(std::chrono::milliseconds(20));
}

TEST(FinishedFileStore, FormatsTimesAsStoredRecordsShowThem) {
    std::tm tm{};
    std::istringstream("31.12.2024 23:59:59") >> std::get_time(&tm, "%d.%m.%Y %H:%M:%S");
    tm.tm_isdst = -1;
    const auto t = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    EXPECT_EQ(FinishedFileStore::FormatTime(t), "2024-12-31 23:59:59");
}
