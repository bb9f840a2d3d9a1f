#include "CaptureImage.h"
#include "ControlServer.h"
#include "ControlSession.h"
#include "PeerTestSupport.h"
#include "TicketBook.h"
#include "support/ScriptedComputer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

namespace pd::peer {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using pd::test::I;
using pd::test::pack;
using pd::test::R;
using test::LinkClient;
using namespace std::chrono_literals;

// A session on one end of a socketpair (or the server's sessions on TCP links), the test playing
// the phone on the other.
class ControlSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeFile(dir_.path() / "disk" / "sys" / "Music" / "a.mp3", 10);
        disk_ = DiskTree::open(dir_.path() / "disk");
        ASSERT_TRUE(disk_);
        classes_ = std::make_unique<ClassStore>(dir_.path() / "disk.classes.json");
        config_.disk = &*disk_;
        config_.classes = classes_.get();
        config_.checkCode = "123456";
    }

    void TearDown() override {
        if (client_) {
            client_->close();  // the session sees the end of the stream and returns
        }
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    LinkClient& startSession() {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        session_ = std::make_unique<ControlSession>(fds[0], 1, config_);
        thread_ = std::thread([this] { session_->run(); });
        client_ = std::make_unique<LinkClient>(fds[1]);
        return *client_;
    }

    test::TempFolder dir_;
    std::optional<DiskTree> disk_;
    std::unique_ptr<ClassStore> classes_;
    std::unique_ptr<TicketBook> tickets_;
    SessionConfig config_;
    std::unique_ptr<ControlSession> session_;
    std::unique_ptr<LinkClient> client_;
    std::thread thread_;
};

std::string listRequest(const std::string& path) {
    return pack({I(266), R(path)});
}

// Every way a handshake goes, from the phone's side of the link. Only an accepted phone gets a
// ticket to sign its download links with.
TEST_F(ControlSessionTest, HandshakeAcceptsOnlyTheRightProofOnce) {
    struct Case {
        const char* name;
        const char* checkCode;
        bool directAccept;
        const char* sent;  // code the phone proves; nullptr: just a hello
        std::int32_t result;
    };
    const Case cases[] = {
        {"right code", "123456", false, "123456", kOk},
        {"wrong code", "123456", false, "654321", kAuthRefused},
        {"empty code proved with empty text", "", false, "", kOk},
        {"direct accept", "123456", true, nullptr, kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        client_.reset();
        config_.checkCode = c.checkCode;
        config_.directAccept = c.directAccept;
        tickets_ = std::make_unique<TicketBook>();
        config_.tickets = tickets_.get();
        LinkClient& phone = startSession();
        if (c.directAccept) {
            phone.send(39, pack({I(255), R("Phone-1"), I(2), R("AUTH2"), R("m")}));
            std::optional<LinkClient::Message> a = phone.nextMessage();
            ASSERT_TRUE(a);
            EXPECT_EQ(a->code, 1039);
            EXPECT_EQ(a->root()[1].asInt32(), c.result);
            EXPECT_EQ(tickets_->ticketsFor("1"), std::vector{std::string(a->text(2))});
            continue;
        }
        // Once in, requests are answered: the broken-message test lists a folder.
        EXPECT_EQ(phone.handshake(c.sent), c.result);
        EXPECT_EQ(tickets_->ticketsFor("UUID").size(), c.result == kOk ? 1u : 0u);
        if (c.result == kOk) {
            continue;
        }
        // Refused: a request is not answered (the heartbeat after it comes back first and
        // alone), and a replayed proof without a new hello is refused even if it were right.
        phone.send(1, listRequest("C:"));
        phone.sendHeartbeat();
        EXPECT_TRUE(phone.nextIsHeartbeat());
        phone.send(0, pack({I(256), R("x"), I(2), R("AUTH1"), R("n"), R("c"), R("d"),
                            R("00:00:00:11:11:11")}));
        std::optional<LinkClient::Message> answer = phone.nextMessage();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->root()[1].asInt32(), kAuthRefused);
        // A fresh hello gives a fresh challenge; the right code then gets in.
        EXPECT_EQ(phone.handshake("123456"), kOk);
    }
}

// Bytes that are not frames are the frame reader's to skip; messages that make no sense are
// the session's.
TEST_F(ControlSessionTest, BrokenMessagesDoNotEndTheLink) {
    LinkClient& phone = startSession();
    ASSERT_EQ(phone.handshake("123456"), kOk);
    phone.sendRaw(std::string("\xCF\xCF\x00\x00\x00\x07\x00\x01\x00\x03\xC1\xC1\xC1", 13));
    phone.send(1, "\x05");  // body is not an array
    phone.send(9999, pack({I(1)}));
    phone.send(1, listRequest("C:"));
    std::optional<LinkClient::Message> a = phone.nextMessage();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 1001);
    EXPECT_EQ(a->root()[1].asInt32(), kOk);
}

TEST_F(ControlSessionTest, SendsItsOwnHeartbeatsAndEndsWhenThePhoneVanishes) {
    config_.heartbeat = 20ms;
    LinkClient& phone = startSession();
    EXPECT_TRUE(phone.nextIsHeartbeat());
    EXPECT_TRUE(phone.nextIsHeartbeat());
    phone.send(1, listRequest("C:"));
    phone.close();
    thread_.join();  // returns: the session noticed the end of the stream
}

TEST_F(ControlSessionTest, FrameLogRecordsBothDirections) {
    std::unique_ptr<FrameLog> log = FrameLog::open(dir_.path() / "frames.jsonl");
    ASSERT_TRUE(log);
    config_.log = log.get();
    LinkClient& phone = startSession();
    phone.send(39, pack({I(255), R("Ph\xff"), I(2), R("AUTH2"), R("m")}));
    ASSERT_TRUE(phone.nextMessage());
    phone.close();
    thread_.join();

    std::ifstream in(dir_.path() / "frames.jsonl");
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(json::parse(line));
    }
    ASSERT_EQ(lines.size(), 2u);
    // A text that is not UTF-8 is shown as hex.
    EXPECT_EQ(lines[0], json::parse(R"({"dir": "in", "link": 1, "code": 39,
                                        "body": [255, {"hex": "5068ff"}, 2, "AUTH2", "m"]})"));
    EXPECT_EQ(lines[1]["dir"], "out");
    EXPECT_EQ(lines[1]["code"], 1000);
}

TEST_F(ControlSessionTest, TheServerServesSeveralLinksAtOnceAndStopsWithLinksOpen) {
    config_.ports.upload = 2121;
    std::unique_ptr<ControlServer> server = ControlServer::start("127.0.0.1", 0, config_);
    ASSERT_TRUE(server);
    LinkClient first(test::connectLoopback(server->port()));
    LinkClient second(test::connectLoopback(server->port()));
    EXPECT_EQ(second.handshake("123456"), kOk);
    EXPECT_EQ(first.handshake("654321"), kAuthRefused);

    // The "PASV" reply names the address the phone reached.
    second.send(100, pack({I(4000), I(99999), R("PASV")}));
    std::optional<LinkClient::Message> reply = second.nextMessage();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->text(3), "227 127.0.0.1:2121");

    server->stop();  // links still open: their loops are woken and joined
    EXPECT_TRUE(first.waitClosed());
    EXPECT_TRUE(second.waitClosed());

    // A busy port or a bad address is reported, not fatal.
    std::unique_ptr<ControlServer> other = ControlServer::start("127.0.0.1", 0, config_);
    ASSERT_TRUE(other);
    EXPECT_FALSE(ControlServer::start("127.0.0.1", other->port(), config_));
    EXPECT_FALSE(ControlServer::start("not-an-address", 0, config_));
}

// The screen capture has the time drawn on it; the link test against the peer receives one.
TEST(CaptureImage, ShowsTheTime) {
    EXPECT_NE(CaptureImage::render(1700000001), CaptureImage::render(1700000000));
}

}  // namespace
}  // namespace pd::peer
