// Backup uploads through the core controller against a computer whose every reply the test
// writes: each way an item can end, late replies, and the separate phone-file channel.

#include "core/AuthCore.h"

#include "platform/Dispatch.h"
#include "support/DataListener.h"
#include "support/PatternSource.h"
#include "support/ScriptedComputer.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <future>

using namespace pd;
using namespace pd::test;

namespace {

struct Ended {
    std::string name;
    UploadOutcome outcome;
    bool operator==(const Ended&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Ended& e) {
        return os << e.name << ": " << describe(e.outcome);
    }
};

// Answers are awaited this long where the test lets an item time out, and much longer where it
// must not (a slow sanitizer build is no reason for an item to fail).
constexpr std::chrono::milliseconds kTimesOut{300};
constexpr std::chrono::milliseconds kNoTimeOut{20000};

class UploadChannelTest : public TempHome {
  protected:
    void SetUp() override {
        core().resetForTests();
        core().setUploadAnswerLimit(kNoTimeOut);
        core().UploadFinishBlock([this](const std::string& name, UploadOutcome outcome) {
            ended.push_back({name, outcome});
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
    std::string nextCommand() {
        return whilePumping([this] { return readCommand(); });
    }
    static bool accepted(DataListener& l) {
        return whilePumping([&l] { return l.accept(); });
    }
    static std::optional<std::string> receivedAll(DataListener& l) {
        return whilePumping([&l] { return l.readAll(); });
    }

    // The next upload-channel command the phone sent ("" when none came).
    std::string readCommand() {
        for (;;) {
            auto frame = pc().readMessage(std::chrono::seconds(5));
            if (!frame) {
                return "";
            }
            auto body = msg::decode(frame->body);
            if (frame->code == 100 && body && body->root()[1].asInt64() == 99999) {
                return std::string(body->root()[2].asRaw().value_or(""));
            }
        }
    }
    void reply(const std::string& line) {
        pc().sendMessage(1100, pack({I(0), I(0), I(0), R(line)}));
    }
    void expectEnded(const std::vector<Ended>& expected) {
        pumpMainUntil([&] { return ended.size() >= expected.size(); });
        MainQueue::shared().runFor(std::chrono::milliseconds(20));  // nothing more may follow
        EXPECT_EQ(ended, expected);
    }
    std::string passive(std::uint16_t port) { return "227 127.0.0.1:" + std::to_string(port); }

    ScriptedComputer& pc() { return *pcOwned; }
    std::unique_ptr<ScriptedComputer> pcOwned;
    std::vector<Ended> ended;
};

}  // namespace

// Every item ends exactly once, with the outcome that says why; only a 150 leads to data.
TEST_F(UploadChannelTest, EachAnswerEndsTheItemAsItShould) {
    enum Data { None, Refuse, Listen };
    struct Case {
        const char* what;
        std::string pasvReply;  // "<port>" stands for a listening data port; "" no reply
        std::string storReply;  // "" no reply; nothing sent when STOR is not expected
        Data data;
        UploadOutcome outcome;
    };
    const Case cases[] = {
        {"no PASV answer", "", "", None, UploadOutcome::NoPassiveAnswer},
        {"PASV refused", "425 Can't open data connection", "", None, UploadOutcome::Refused},
        {"227 without a port", "227 127.0.0.1", "", None, UploadOutcome::BadPassiveReply},
        {"227 with port 0", "227 127.0.0.1:0", "", None, UploadOutcome::BadPassiveReply},
        {"227 with two colons", "227 127.0.0.1:<port>:1", "", None, UploadOutcome::BadPassiveReply},
        {"227 naming another host", "227 10.9.8.7:<port>", "", None,
         UploadOutcome::BadPassiveReply},
        {"nobody listens", "<port>", "", Refuse, UploadOutcome::ConnectFailed},
        {"no STOR answer", "<port>", "", Listen, UploadOutcome::NoStorAnswer},
        {"STOR answered 550", "<port>", "550 Permission denied", Listen, UploadOutcome::Refused},
        {"STOR answered 550 in two words", "<port>", "550 denied", Listen,
         UploadOutcome::NoStorAnswer},
        {"STOR answered 150", "<port>", "150 Opening data connection", Listen, UploadOutcome::Sent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ended.clear();
        link();
        DataListener listener;
        const std::uint16_t port = c.data == Refuse ? unusedLoopbackPort() : listener.port();
        std::string pasv = c.pasvReply == "<port>" ? passive(port) : c.pasvReply;
        if (auto at = pasv.find("<port>"); at != std::string::npos) {
            pasv.replace(at, 6, std::to_string(port));
        }
        auto item = std::make_shared<PatternSource>("IMG 0001.JPG", 100'000);
        const bool timesOut =
            c.outcome == UploadOutcome::NoPassiveAnswer || c.outcome == UploadOutcome::NoStorAnswer;
        core().setUploadAnswerLimit(timesOut ? kTimesOut : kNoTimeOut);
        core().GetPhotoDataFinish(item);
        ASSERT_EQ(nextCommand(), "PASV");
        if (!pasv.empty()) {
            reply(pasv);
        }
        if (c.data != None) {
            if (c.data == Listen) {
                ASSERT_TRUE(accepted(listener));
            }
            if (c.outcome != UploadOutcome::ConnectFailed) {
                // The name goes out unchanged, spaces included.
                ASSERT_EQ(nextCommand(), "STOR IMG 0001.JPG");
                if (!c.storReply.empty()) {
                    reply(c.storReply);
                }
            }
        }
        if (c.outcome == UploadOutcome::Sent) {
            const auto received = receivedAll(listener);
            ASSERT_TRUE(received);
            EXPECT_TRUE(*received == item->content());
        }
        expectEnded({{"IMG 0001.JPG", c.outcome}});
        EXPECT_EQ(core().fileTransferMgr(), nullptr);  // the channel is released
    }
}

// A reply that comes after its item ended (or one to a command sent outside any item) is
// not taken for the next item's answer.
TEST_F(UploadChannelTest, ALateReplyDoesNotReachTheNextItem) {
    struct Case {
        const char* what;
        bool quitBefore;        // the late reply answers a "QUIT" sent between items
        std::string lateReply;  // arrives after the next item's PASV went out
    };
    const Case cases[] = {
        {"late refusal of PASV", false, "421 Service not available now"},
        {"late 227 to a dead port", false, "227 127.0.0.1:<dead>"},
        {"answer to QUIT", true, "221 Goodbye"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ended.clear();
        std::vector<Ended> expected;
        if (c.quitBefore) {
            core().FileMgrCommondOp(99999, "QUIT");
            ASSERT_EQ(nextCommand(), "QUIT");
        } else {
            core().setUploadAnswerLimit(kTimesOut);
            core().GetPhotoDataFinish(std::make_shared<PatternSource>("first", 10));
            ASSERT_EQ(nextCommand(), "PASV");
            ASSERT_TRUE(pumpMainUntil([&] { return ended.size() == 1; }));  // not answered
            expected.push_back({"first", UploadOutcome::NoPassiveAnswer});
        }
        DataListener listener;
        auto second = std::make_shared<PatternSource>("second", 5000);
        core().setUploadAnswerLimit(kNoTimeOut);
        core().GetPhotoDataFinish(second);
        ASSERT_EQ(nextCommand(), "PASV");
        std::string late = c.lateReply;
        if (auto at = late.find("<dead>"); at != std::string::npos) {
            late.replace(at, 6, std::to_string(unusedLoopbackPort()));
        }
        reply(late);
        reply(passive(listener.port()));
        ASSERT_TRUE(accepted(listener));
        ASSERT_EQ(nextCommand(), "STOR second");
        reply("150 Opening data connection");
        const auto received = receivedAll(listener);
        ASSERT_TRUE(received);
        EXPECT_EQ(received->size(), 5000u);
        expected.push_back({"second", UploadOutcome::Sent});
        expectEnded(expected);
    }
}

// The link stays responsive while an item is being sent, and the item is read in bounded
// pieces however large it is.
TEST_F(UploadChannelTest, SendingRunsBesideTheLinkInBoundedPieces) {
    struct Lister : AuthCoreDelegate {
        int listed = 0;
        void AuthCoreListSucess(const ListingRows&) override { ++listed; }
    };
    auto lister = std::make_shared<Lister>();
    core().setDelegate(lister);

    DataListener listener(4096);  // reads nothing until the listing is done
    auto item = std::make_shared<PatternSource>("big.mov", 6 * 1024 * 1024);
    core().GetPhotoDataFinish(item);
    ASSERT_EQ(nextCommand(), "PASV");
    reply(passive(listener.port()));
    ASSERT_TRUE(accepted(listener));
    ASSERT_EQ(nextCommand(), "STOR big.mov");
    reply("150 Opening data connection");
    ASSERT_TRUE(pumpMainUntil([&] { return item->readUpTo.load() > 0; }));

    core().GetFileList("C:/");
    auto request = pc().readMessage();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->code, 1);
    pc().sendMessage(1001, pack({I(266), I(0), I(0), A({})}));
    ASSERT_TRUE(pumpMainUntil([&] { return lister->listed == 1; }));
    EXPECT_LT(item->readUpTo.load(), item->size());  // the item was still under way

    const auto received = receivedAll(listener);
    ASSERT_TRUE(received);
    EXPECT_TRUE(*received == item->content());
    expectEnded({{"big.mov", UploadOutcome::Sent}});
    EXPECT_LE(item->largestRead.load(), FileTransferMgr::kSendPiece);
}

// A phone-file channel (computer's fetch) and a backup item never free or close each other's
// channel.
TEST_F(UploadChannelTest, PhoneFileAndBackupChannelsAreSeparate) {
    DataListener fetch;
    EXPECT_FALSE(core().PhoneFileUpConnect("10.0.0.1", fetch.port()));  // not the link's computer
    ASSERT_TRUE(core().PhoneFileUpConnect("127.0.0.1", fetch.port()));
    ASSERT_TRUE(accepted(fetch));
    auto phoneChannel = core().phoneFileTransferMgr();
    ASSERT_NE(phoneChannel, nullptr);

    // One backup item is sent, another fails; the phone-file channel stays as it was.
    DataListener listener;
    core().GetPhotoDataFinish(std::make_shared<PatternSource>("a.jpg", 3000));
    ASSERT_EQ(nextCommand(), "PASV");
    reply(passive(listener.port()));
    ASSERT_TRUE(accepted(listener));
    ASSERT_EQ(nextCommand(), "STOR a.jpg");
    reply("150 Opening data connection");
    ASSERT_TRUE(receivedAll(listener));
    core().GetPhotoDataFinish(std::make_shared<PatternSource>("b.jpg", 3000));
    ASSERT_EQ(nextCommand(), "PASV");
    reply("227 127.0.0.1:0");
    expectEnded({{"a.jpg", UploadOutcome::Sent}, {"b.jpg", UploadOutcome::BadPassiveReply}});
    EXPECT_EQ(core().phoneFileTransferMgr(), phoneChannel);
    EXPECT_GE(phoneChannel->socketDescriptor(), 0);

    // The fetch goes through whole, and frees only its own slot.
    DataListener next;
    core().GetPhotoDataFinish(std::make_shared<PatternSource>("c.jpg", 10));
    ASSERT_EQ(nextCommand(), "PASV");
    reply(passive(next.port()));
    ASSERT_TRUE(accepted(next));
    ASSERT_EQ(nextCommand(), "STOR c.jpg");
    auto file = std::make_shared<PatternSource>("notes.txt", 200'000);
    std::atomic<int> done{0};
    ASSERT_TRUE(core().PhoneFileUpSendData(file, [&](bool all) { done.store(all ? 1 : -1); }));
    const auto fetched = receivedAll(fetch);
    ASSERT_TRUE(fetched);
    EXPECT_TRUE(*fetched == file->content());
    ASSERT_TRUE(waitFor([&] { return done.load() != 0; }));
    EXPECT_EQ(done.load(), 1);
    EXPECT_EQ(core().phoneFileTransferMgr(), nullptr);
    ASSERT_NE(core().fileTransferMgr(), nullptr);  // c.jpg still waits for its 150
    EXPECT_GE(core().fileTransferMgr()->socketDescriptor(), 0);
}

// An item under way when the link ends, and one started without a link, end as LinkLost.
TEST_F(UploadChannelTest, TheEndOfTheLinkEndsTheItem) {
    DataListener listener;
    core().GetPhotoDataFinish(std::make_shared<PatternSource>("a.jpg", 10));
    ASSERT_EQ(nextCommand(), "PASV");
    reply(passive(listener.port()));
    ASSERT_TRUE(accepted(listener));
    ASSERT_EQ(nextCommand(), "STOR a.jpg");
    pc().closeLink();
    ASSERT_TRUE(pumpMainUntil([] { return core().serverManager() == nullptr; }));
    core().GetPhotoDataFinish(std::make_shared<PatternSource>("b.jpg", 10));
    expectEnded({{"a.jpg", UploadOutcome::LinkLost}, {"b.jpg", UploadOutcome::LinkLost}});
    EXPECT_EQ(core().fileTransferMgr(), nullptr);
}
