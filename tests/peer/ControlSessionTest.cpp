#include "CaptureImage.h"
#include "ControlServer.h"
#include "ControlSession.h"
#include "PeerTestSupport.h"
#include "TicketBook.h"
#include "codec/LinkFrame.h"
#include "platform/Md5.h"
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
using namespace std::chrono_literals;

// A session on a TCP link from a scripted phone (or the server's sessions), the test playing the
// phone.
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
        config_.tickets = &tickets_;
        config_.ports.upload = 2121;
        config_.fallbackHost = "192.0.2.1";  // a link over TCP names its own address instead
    }
    void TearDown() override { endSession(); }

    pd::test::ScriptedComputer& startSession() {
        session_ =
            std::make_unique<ControlSession>(test::connectLoopback(phone_.port()), 1, config_);
        thread_ = std::thread([this] { session_->run(); });
        EXPECT_TRUE(phone_.accept());
        return phone_;
    }
    void endSession() {
        phone_.closeLink();  // the session sees the end of the stream and returns
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // The session's next message, heartbeats skipped.
    std::optional<test::Message> next() {
        std::optional<pd::test::ReceivedFrame> f = phone_.readMessage();
        return f ? std::optional(test::message(f->code, f->body)) : std::nullopt;
    }
    // Hello, challenge, proof with `code`; the final 1000 answer's result code.
    std::optional<std::int32_t> handshake(const std::string& code) {
        const std::string device = "TestPhone-UUID";
        const std::string nonce = "AbCd1234";
        phone_.sendMessage(39, pack({I(255), R(device), I(2), R("AUTH2"), R("m")}));
        std::optional<test::Message> challenge = next();
        if (!challenge || challenge->code != 1000 || challenge->root()[1].asInt32() != 1) {
            return std::nullopt;
        }
        const std::string c(challenge->text(2));
        phone_.sendMessage(0, pack({I(256), R(device), I(2), R("AUTH1"), R(nonce), R(c),
                                    R(md5HexLower(device + nonce + code + c)), R("m")}));
        std::optional<test::Message> answer = next();
        return answer && answer->code == 1000 ? answer->root()[1].asInt32() : std::nullopt;
    }

    test::TempFolder dir_;
    std::optional<DiskTree> disk_;
    std::unique_ptr<ClassStore> classes_;
    TicketBook tickets_;
    SessionConfig config_;
    pd::test::ScriptedComputer phone_;
    std::unique_ptr<ControlSession> session_;
    std::thread thread_;
};

std::string listRequest(const std::string& path) {
    return pack({I(266), R(path)});
}

// Every way a handshake goes, from the phone's side of the link. Only an accepted phone gets a
// ticket to sign its download links with.
TEST_F(ControlSessionTest, HandshakeAcceptsOnlyTheRightProofOnce) {
    // Refused: a request is not answered (the heartbeat after it comes back first and alone),
    // and a replayed proof without a new hello is refused even if it were right.
    pd::test::ScriptedComputer& phone = startSession();
    EXPECT_EQ(handshake("654321"), kAuthRefused);
    EXPECT_TRUE(tickets_.ticketsFor("UUID").empty());
    phone.sendMessage(1, listRequest("C:"));
    phone.sendRaw(std::string_view(reinterpret_cast<const char*>(link::kHeartbeatFrame.data()),
                                   link::kHeartbeatFrame.size()));
    std::optional<pd::test::ReceivedFrame> heartbeat = phone.readFrame();
    EXPECT_TRUE(heartbeat && heartbeat->heartbeat);
    phone.sendMessage(0, pack({I(256), R("x"), I(2), R("AUTH1"), R("n"), R("c"), R("d"), R("m")}));
    std::optional<test::Message> answer = next();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->root()[1].asInt32(), kAuthRefused);

    // A fresh hello gives a fresh challenge; the right code then gets in, and requests are
    // answered: the "PASV" reply names the address the phone reached.
    EXPECT_EQ(handshake("123456"), kOk);
    EXPECT_EQ(tickets_.ticketsFor("UUID").size(), 1u);
    phone.sendMessage(100, pack({I(4000), I(99999), R("PASV")}));
    std::optional<test::Message> reply = next();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->text(3), "227 127.0.0.1:2121");

    // An empty code is proved with the empty text.
    endSession();
    config_.checkCode = "";
    startSession();
    EXPECT_EQ(handshake(""), kOk);

    // Direct acceptance answers the hello itself, with a ticket.
    endSession();
    config_.directAccept = true;
    startSession().sendMessage(39, pack({I(255), R("Phone-1"), I(2), R("AUTH2"), R("m")}));
    std::optional<test::Message> accepted = next();
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->code, 1039);
    EXPECT_EQ(accepted->root()[1].asInt32(), kOk);
    EXPECT_EQ(tickets_.ticketsFor("1"), std::vector{std::string(accepted->text(2))});
}

// Bytes that are not frames are the frame reader's to skip; messages that make no sense are
// the session's.
TEST_F(ControlSessionTest, BrokenMessagesDoNotEndTheLink) {
    pd::test::ScriptedComputer& phone = startSession();
    ASSERT_EQ(handshake("123456"), kOk);
    phone.sendRaw(std::string("\xCF\xCF\x00\x00\x00\x07\x00\x01\x00\x03\xC1\xC1\xC1", 13));
    phone.sendMessage(1, "\x05");  // body is not an array
    phone.sendMessage(9999, pack({I(1)}));
    phone.sendMessage(1, listRequest("C:"));
    std::optional<test::Message> a = next();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->code, 1001);
    EXPECT_EQ(a->root()[1].asInt32(), kOk);
}

TEST_F(ControlSessionTest, SendsItsOwnHeartbeatsAndEndsWhenThePhoneVanishes) {
    config_.heartbeat = 20ms;
    pd::test::ScriptedComputer& phone = startSession();
    for (int i = 0; i < 2; ++i) {
        std::optional<pd::test::ReceivedFrame> f = phone.readFrame();
        EXPECT_TRUE(f && f->heartbeat);
    }
    phone.sendMessage(1, listRequest("C:"));
    endSession();  // returns: the session noticed the end of the stream
}

TEST_F(ControlSessionTest, FrameLogRecordsBothDirections) {
    std::unique_ptr<FrameLog> log = FrameLog::open(dir_.path() / "frames.jsonl");
    ASSERT_TRUE(log);
    config_.log = log.get();
    startSession().sendMessage(39, pack({I(255), R("Ph\xff"), I(2), R("AUTH2"), R("m")}));
    ASSERT_TRUE(next());
    endSession();

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

// Each link is answered while the other is open; stopping ends links still open.
TEST_F(ControlSessionTest, TheServerServesSeveralLinksAtOnceAndStopsWithLinksOpen) {
    std::unique_ptr<ControlServer> server = ControlServer::start("127.0.0.1", 0, config_);
    ASSERT_TRUE(server);
    const std::string hello =
        link::encodeMessageFrame(39, pack({I(255), R("Phone-1"), I(2), R("AUTH2"), R("m")}));
    const int links[] = {test::connectLoopback(server->port()),
                         test::connectLoopback(server->port())};
    for (int fd : links) {
        ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
    }
    char buf[4096];
    for (int fd : links) {
        EXPECT_GT(::recv(fd, buf, sizeof buf, 0), 0);  // the challenge
    }
    server->stop();  // links still open: their loops are woken and joined
    for (int fd : links) {
        ssize_t n = 0;
        while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) {
        }
        EXPECT_EQ(n, 0);  // the end of the stream, not the time-out
        ::close(fd);
    }

    // A busy port or a bad address is reported, not fatal.
    std::unique_ptr<ControlServer> other = ControlServer::start("127.0.0.1", 0, config_);
    ASSERT_TRUE(other);
    EXPECT_FALSE(ControlServer::start("127.0.0.1", other->port(), config_));
    EXPECT_FALSE(ControlServer::start("not-an-address", 0, config_));
}

// The screen capture has the time drawn on it; the terminal's capture test receives one.
TEST(CaptureImage, ShowsTheTime) {
    EXPECT_NE(CaptureImage::render(1700000001), CaptureImage::render(1700000000));
}

}  // namespace
}  // namespace pd::peer
