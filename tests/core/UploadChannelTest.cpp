// Backup uploads through the core controller against a computer whose every reply the test
// writes: each way an item can end, late replies, and the separate phone-file channel.

#include "codec/LinkFrame.h"
#include "core/AuthCore.h"

#include "platform/Dispatch.h"
#include "support/PatternSource.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <future>

using namespace pd;
using namespace pd::test;

namespace {

using Ended = std::pair<std::string, UploadOutcome>;

// How long answers are awaited where an item is to time out, and where it must not.
constexpr std::chrono::milliseconds kTimesOut{300};
constexpr std::chrono::milliseconds kNoTimeOut{20000};

class UploadChannelTest : public TempHome {
  protected:
    void SetUp() override {
        core().resetForTests();
        core().setUploadAnswerLimit(kNoTimeOut);
        core().UploadFinishBlock([this](const std::string& name, UploadOutcome outcome) {
            ended.emplace_back(name, outcome);
        });
        link();
    }
    // A new link to a new computer: nothing of an earlier exchange carries over.
    void link() {
        pcOwned = std::make_unique<ScriptedComputer>();
        core().serverIp = "127.0.0.1";
        core().port = pc().port();
        core().ConnetctPcServer(1);
        ASSERT_TRUE(pc().accept());
        ASSERT_TRUE(pc().readMessage());  // hello
        pc().sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
        ASSERT_TRUE(pumpMainUntil([] { return core().hasAcceptedLink(); }));
    }
    void TearDown() override {
        core().resetForTests();
        MainQueue::shared().runFor(std::chrono::milliseconds(20));
    }
    static AuthCore& core() { return AuthCore::ShareInstance(); }

    // Runs a blocking step on another thread while this one pumps the main queue, where the
    // upload flow makes its moves.
    template <typename F>
    static auto whilePumping(F step) {
        auto result = std::async(std::launch::async, std::move(step));
        pumpMainUntil(
            [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            std::chrono::seconds(15));
        return result.get();
    }
    // The next upload-channel command the phone sent ("" when none came).
    std::string nextCommand() {
        return whilePumping([this] {
            while (auto frame = pc().readMessage(std::chrono::seconds(5))) {
                auto body = msg::decode(frame->body);
                if (frame->code == 100 && body && body->root()[1].asInt64() == 99999) {
                    return std::string(body->root()[2].asRaw().value_or(""));
                }
            }
            return std::string();
        });
    }
    void reply(const std::string& line) { replies({line}); }
    // Replies in one write, so that the phone reads them together.
    void replies(const std::vector<std::string>& lines) {
        std::string frames;
        for (const auto& line : lines) {
            frames += link::encodeMessageFrame(1100, pack({I(0), I(0), I(0), R(line)}));
        }
        pc().sendRaw(frames);
    }
    static std::string passive(std::uint16_t port) {
        return "227 127.0.0.1:" + std::to_string(port);
    }
    // Starts `item`; true once its PASV went out.
    bool started(std::shared_ptr<PatternSource> item) {
        core().GetPhotoDataFinish(std::move(item));
        return nextCommand() == "PASV";
    }
    // Answers PASV with the port of `data`; true once the channel is open and "STOR <name>" came.
    bool storSent(ScriptedComputer& data, const std::string& name) {
        reply(passive(data.port()));
        return nextCommand() == "STOR " + name;
    }
    // True when the data channel to `data` carried `item` whole and was closed.
    static bool receivedWhole(ScriptedComputer& data, const PatternSource& item) {
        std::string received;
        return whilePumping([&] { return data.accept() && data.peerClosed(10s, &received); }) &&
               received == item.content();
    }
    void expectEnded(const std::vector<Ended>& expected) {
        pumpMainUntil([&] { return ended.size() >= expected.size(); });
        MainQueue::shared().runFor(std::chrono::milliseconds(20));  // nothing more may follow
        EXPECT_EQ(ended, expected);
    }

    ScriptedComputer& pc() { return *pcOwned; }
    std::unique_ptr<ScriptedComputer> pcOwned;
    std::vector<Ended> ended;
};

}  // namespace

// Every item ends exactly once, with the outcome that says why; only a 150 leads to data.
TEST_F(UploadChannelTest, EachAnswerEndsTheItemAsItShould) {
    struct Case {
        const char* what;
        std::string pasvReply;  // "" none; "<data>" a listening port, "<dead>" a closed one
        std::string storReply;  // "" none; "<close>" the link ends instead
        UploadOutcome outcome;
    };
    const Case cases[] = {
        {"no PASV answer", "", "", UploadOutcome::NoPassiveAnswer},
        {"PASV refused", "425 Can't open data connection", "", UploadOutcome::Refused},
        {"227 without a port", "227 127.0.0.1", "", UploadOutcome::BadPassiveReply},
        {"227 with port 0", "227 127.0.0.1:0", "", UploadOutcome::BadPassiveReply},
        {"227 naming another host", "227 127.0.0.2:2121", "", UploadOutcome::BadPassiveReply},
        {"nobody listens", "<dead>", "", UploadOutcome::ConnectFailed},
        {"no STOR answer", "<data>", "", UploadOutcome::NoStorAnswer},
        {"STOR answered 550", "<data>", "550 Permission denied", UploadOutcome::Refused},
        {"STOR answered 550 in two words", "<data>", "550 denied", UploadOutcome::NoStorAnswer},
        {"STOR answered 150", "<data>", "150 Opening data connection", UploadOutcome::Sent},
        {"the link ends", "<data>", "<close>", UploadOutcome::LinkLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ended.clear();
        link();
        const bool timesOut =
            c.outcome == UploadOutcome::NoPassiveAnswer || c.outcome == UploadOutcome::NoStorAnswer;
        core().setUploadAnswerLimit(timesOut ? kTimesOut : kNoTimeOut);
        ScriptedComputer data;
        auto item = std::make_shared<PatternSource>("IMG 0001.JPG", 100'000);
        ASSERT_TRUE(started(item));
        if (c.pasvReply == "<data>") {
            ASSERT_TRUE(storSent(data, "IMG 0001.JPG"));  // the name goes out unchanged
            if (c.storReply == "<close>") {
                pc().closeLink();
            } else if (!c.storReply.empty()) {
                reply(c.storReply);
            }
        } else if (c.pasvReply == "<dead>") {
            reply(passive(ScriptedComputer::deadPort()));
        } else if (!c.pasvReply.empty()) {
            reply(c.pasvReply);
        }
        if (c.outcome == UploadOutcome::Sent) {
            EXPECT_TRUE(receivedWhole(data, *item));
        }
        expectEnded({{"IMG 0001.JPG", c.outcome}});
        EXPECT_EQ(core().fileTransferMgr(), nullptr);  // the channel is released
    }
}

// A reply that comes after its item ended (or one to a command sent outside any item) is
// not taken for the next item's answer, nor does it make the item miss its own answer when
// that comes right behind it, in the same read.
TEST_F(UploadChannelTest, ALateReplyDoesNotReachTheNextItem) {
    struct Case {
        const char* what;
        bool quitBefore;        // the late reply answers a "QUIT" sent between items
        std::string lateReply;  // arrives after the next item's PASV went out
    };
    const Case cases[] = {
        {"late refusal of PASV", false, "421 Service not available now"},
        {"late 227 to a dead port", false, "<dead>"},
        {"answer to QUIT", true, "221 Goodbye"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ended.clear();
        if (c.quitBefore) {
            core().FileMgrCommondOp(99999, "QUIT");
            ASSERT_EQ(nextCommand(), "QUIT");
        } else {
            core().setUploadAnswerLimit(kTimesOut);
            ASSERT_TRUE(started(std::make_shared<PatternSource>("first", 10)));
            expectEnded({{"first", UploadOutcome::NoPassiveAnswer}});  // not answered
            ended.clear();
            core().setUploadAnswerLimit(kNoTimeOut);
        }
        ScriptedComputer data;
        auto second = std::make_shared<PatternSource>("second", 5000);
        ASSERT_TRUE(started(second));
        replies({c.lateReply == "<dead>" ? passive(ScriptedComputer::deadPort()) : c.lateReply,
                 passive(data.port())});
        ASSERT_EQ(nextCommand(), "STOR second");
        reply("150 Opening data connection");
        EXPECT_TRUE(receivedWhole(data, *second));
        expectEnded({{"second", UploadOutcome::Sent}});
    }
}

// A large backup item is sent beside the link and beside a phone-file fetch, read in pieces of
// at most 64 KiB; neither the fetch nor the backup item frees or closes the other's channel.
TEST_F(UploadChannelTest, SendingRunsBesideTheLinkAndThePhoneFileChannel) {
    struct Lister : AuthCoreDelegate {
        int listed = 0;
        void AuthCoreListSucess(const ListingRows&) override { ++listed; }
    };
    auto lister = std::make_shared<Lister>();
    core().setDelegate(lister);
    ScriptedComputer fetch;
    ASSERT_TRUE(core().PhoneFileUpConnect("127.0.0.1", fetch.port()));

    ScriptedComputer data;
    data.limitReceiveBuffer(4096);  // reads nothing until the rest is done
    auto item = std::make_shared<PatternSource>("big.mov", 6 * 1024 * 1024);
    ASSERT_TRUE(started(item));
    ASSERT_TRUE(storSent(data, "big.mov"));
    reply("150 Opening data connection");
    ASSERT_TRUE(pumpMainUntil([&] { return item->readUpTo.load() > 0; }));

    core().GetFileList("C:/");
    auto request = pc().readMessage();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->code, 1);
    pc().sendMessage(1001, pack({I(266), I(0), I(0), A({})}));
    ASSERT_TRUE(pumpMainUntil([&] { return lister->listed == 1; }));

    auto file = std::make_shared<PatternSource>("notes.txt", 200'000);
    std::atomic<int> done{0};
    ASSERT_TRUE(core().PhoneFileUpSendData(file, [&](bool all) { done.store(all ? 1 : -1); }));
    EXPECT_TRUE(receivedWhole(fetch, *file));
    ASSERT_TRUE(waitFor([&] { return done.load() != 0; }));
    EXPECT_EQ(done.load(), 1);
    EXPECT_EQ(core().phoneFileTransferMgr(), nullptr);
    ASSERT_NE(core().fileTransferMgr(), nullptr);
    EXPECT_GE(core().fileTransferMgr()->socketDescriptor(), 0);
    EXPECT_LT(item->readUpTo.load(), item->size());  // the item was still under way

    ScriptedComputer nextFetch;
    ASSERT_TRUE(core().PhoneFileUpConnect("127.0.0.1", nextFetch.port()));
    auto phoneChannel = core().phoneFileTransferMgr();
    EXPECT_TRUE(receivedWhole(data, *item));
    expectEnded({{"big.mov", UploadOutcome::Sent}});
    EXPECT_LE(item->largestRead.load(), 64u * 1024);
    ASSERT_NE(phoneChannel, nullptr);
    EXPECT_EQ(core().phoneFileTransferMgr(), phoneChannel);
    EXPECT_GE(phoneChannel->socketDescriptor(), 0);
}
