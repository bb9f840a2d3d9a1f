// The link engine against a computer whose bytes the test controls.

#include "NetWork/CServerManager.h"
#include "NetWork/LinkLoop.h"
#include "codec/LinkFrame.h"
#include "codec/SignedLink.h"
#include "support/BadFrames.h"
#include "support/ScriptedComputer.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace pd;
using namespace pd::test;

namespace {

// Runs a facade's link on its own thread, as the core controller does.
class Link {
  public:
    explicit Link(int port, std::string host = "127.0.0.1")
        : mgr(std::make_unique<CServerManager>()) {
        mgr->CNetClassMgrBlock([this](int s) {
            states.push_back(s);
            stateCount.fetch_add(1);
        });
        thread = std::thread([m = mgr.get(), port, host, this] {
            result = m->ConnectLanServer(host, port, "");
            ended.store(true);
        });
    }
    ~Link() {
        mgr.reset();
        if (thread.joinable())
            thread.join();
    }
    std::unique_ptr<CServerManager> mgr;
    std::thread thread;
    std::atomic<bool> ended{false};
    std::atomic<int> stateCount{0};
    std::vector<int> states;  // written on the link thread before stateCount
    bool result = false;
};

// Accepts the link, reads the hello and accepts it directly.
void acceptDirectly(ScriptedComputer& pc, const std::string& ticket = "TICKET") {
    ASSERT_TRUE(pc.accept());
    auto hello = pc.readMessage();
    ASSERT_TRUE(hello);
    ASSERT_EQ(hello->code, 39);
    pc.sendMessage(1039, pack({I(255), I(0), R(ticket)}));
}

int freePort() {
    ScriptedComputer probe;
    return probe.port();  // closed again when probe goes
}

// A listener whose queue is full: the kernel leaves further connection requests unanswered.
struct SilentListener {
    SilentListener() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
        ::listen(fd, 0);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        for (int& filler : fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&addr), len);
        }
    }
    ~SilentListener() {
        for (int filler : fillers)
            ::close(filler);
        ::close(fd);
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int fillers[2] = {-1, -1};
    int port = 0;
};

// Link waits shortened for one test.
struct ShortWaits {
    explicit ShortWaits(link::LinkTimings t) { link::setLinkTimings(t); }
    ~ShortWaits() { link::setLinkTimings(saved); }
    link::LinkTimings saved = link::linkTimings();
};

}  // namespace

// However a connection fails, it is reported once with 1 and the attempt ends.
TEST(CNetMgrLink, AConnectionNotMadeIsReportedOnceAndEndsTheAttempt) {
    ShortWaits waits({5000ms, 300ms, 30000ms});
    SilentListener silent;
    const struct {
        const char* name;
        std::string host;
        int port;
    } cases[] = {
        {"refused", "127.0.0.1", freePort()},
        {"port 0", "127.0.0.1", 0},
        {"not an address", "pc.example", 80},
        {"no answer", "127.0.0.1", silent.port},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Link link(c.port, c.host);
        ASSERT_TRUE(waitFor([&] { return link.ended.load(); }));
        EXPECT_TRUE(link.result);
        EXPECT_EQ(link.states, std::vector<int>{1});
    }
}

// A closed link is reported with 0; a frame cut short by the end of the stream is dropped, even
// when its bytes so far hold a whole envelope.
TEST(CNetMgrLink, AClosedLinkIsReportedOnceAndAFrameCutShortIsNeverDispatched) {
    ScriptedComputer pc;
    Link link(pc.port());
    acceptDirectly(pc);
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));
    std::atomic<int> answered{0};
    link.mgr->WaitFileCommandResutBlock([&] { answered.fetch_add(1); });
    link.mgr->RemoteLockScreen();
    ASSERT_TRUE(pc.readMessage());
    std::string frame =
        link::encodeMessageFrame(1020, pack({I(1001), I(5)})) + std::string(100, '\0');
    const auto length = static_cast<std::uint32_t>(frame.size() - 6);
    for (int i = 0; i < 4; ++i)
        frame[2 + i] = static_cast<char>(length >> (24 - 8 * i));
    pc.sendRaw(frame.substr(0, frame.size() - 10));
    pc.closeLink();
    ASSERT_TRUE(waitFor([&] { return link.ended.load(); }));
    EXPECT_EQ(link.states, std::vector<int>{0});
    EXPECT_EQ(answered.load(), 0);
    EXPECT_EQ(link.mgr->GetErrorCode(), 0);
    // A second connect on the same engine is refused.
    EXPECT_FALSE(link.mgr->ConnectLanServer("127.0.0.1", pc.port(), ""));
}

// A computer that stops reading ends the link once a send makes no progress; what it finally
// reads ends inside that frame, with nothing after it.
TEST(CNetMgrLink, AComputerThatStopsReadingEndsTheLinkInsideOneFrame) {
    ShortWaits waits({5000ms, 10000ms, 300ms});
    ScriptedComputer pc;
    pc.limitReceiveBuffer(16 * 1024);
    Link link(pc.port());
    acceptDirectly(pc);
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));
    const std::string content(8 << 20, 'x');  // more than both kernels' buffers hold
    link.mgr->PlugMessagePost("1", "0", 1, content);
    ASSERT_TRUE(waitFor([&] { return link.ended.load(); }, 10s));
    EXPECT_EQ(link.states, std::vector<int>{0});

    std::string received;
    EXPECT_TRUE(pc.peerClosed(10s, &received));
    const std::string heartbeat(link::kHeartbeatFrame.begin(), link::kHeartbeatFrame.end());
    while (received.compare(0, heartbeat.size(), heartbeat) == 0)
        received.erase(0, heartbeat.size());
    ASSERT_GE(received.size(), link::kHeaderSize);
    EXPECT_EQ(received.substr(0, 2), "\xCF\xCF");
    EXPECT_LT(received.size(), content.size());
    EXPECT_NE(received.find(std::string(1000, 'x')), std::string::npos);
    EXPECT_EQ(received.find("\xCF\xCF", 2), std::string::npos);
}

TEST(CNetMgrLink, HelloCarriesTheDeviceInfoAndAnAcceptedLinkAnswersRequests) {
    ScriptedComputer pc;
    Link link(pc.port());
    ASSERT_TRUE(pc.accept());
    auto hello = pc.readMessage();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->code, 39);
    auto body = msg::decode(hello->body);
    ASSERT_TRUE(body);
    ASSERT_EQ(body->root().size(), 5u);
    EXPECT_EQ(body->root()[0].asInt32(), 255);
    EXPECT_EQ(body->root()[1].asRaw(), link.mgr->netMgr.deviceInfo());
    EXPECT_EQ(body->root()[3].asRaw(), "AUTH2");

    std::atomic<int> answered{0};
    link.mgr->WaitFileCommandResutBlock([&] { answered.fetch_add(1); });
    pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
    ASSERT_TRUE(waitFor([&] { return answered.load() == 1; }));
    EXPECT_TRUE(link.mgr->IsAuthSucess());

    link.mgr->WaitFileCommandResutBlock([&] { answered.fetch_add(1); });
    link.mgr->FindFolder("C:/Music");
    auto request = pc.readMessage();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->code, 1);
    auto req = msg::decode(request->body);
    ASSERT_TRUE(req);
    EXPECT_EQ(req->root()[0].asInt32(), 266);
    EXPECT_EQ(req->root()[1].asRaw(), "C:/Music");
    // The answer arrives in pieces: the header one byte at a time, then the rest.
    const std::string frame = link::encodeMessageFrame(
        1001, pack({I(266), I(0), I(0),
                    A({A({R("song.mp3"), I(0), I(4096), I(133000000000000000), R(""), I(0)})})}));
    for (std::size_t i = 0; i < link::kHeaderSize; ++i) {
        pc.sendRaw(frame.substr(i, 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pc.sendRaw(frame.substr(link::kHeaderSize));
    ASSERT_TRUE(waitFor([&] { return answered.load() == 2; }));
    ASSERT_EQ(link.mgr->GetFileInfo()->size(), 1u);
    EXPECT_EQ((*link.mgr->GetFileInfo())[0].size, 4096u);
    EXPECT_EQ(link.stateCount.load(), 0);
}

// Bad frames of every kind, oversized ones and floods are skipped; the link stays up and the
// next answer still counts.
TEST(CNetMgrLink, HeartbeatsGarbageAndOversizedFramesKeepTheLinkUp) {
    ScriptedComputer pc;
    Link link(pc.port());
    acceptDirectly(pc);
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));

    std::atomic<int> answered{0};
    link.mgr->WaitFileCommandResutBlock([&] { answered.fetch_add(1); });
    link.mgr->RemoteLockScreen();
    ASSERT_TRUE(pc.readMessage());
    std::string bytes;
    for (const auto& c : badFrameCases()) {
        bytes += c.bytes;
    }
    bytes += link::encodeMessageFrame(1020, pack({I(1001), I(0), I(0)}));  // wrong count
    bytes += link::encodeMessageFrame(1020, pack({I(1001), I(0)}));
    bytes += link::encodeMessageFrame(1020, pack({I(1001), I(5)}));  // no callback: stored only
    pc.sendRaw(bytes);
    ASSERT_TRUE(waitFor([&] { return link.mgr->GetErrorCode() == 5; }));
    EXPECT_EQ(answered.load(), 1);

    // A frame beyond the limit is drained, never stored.
    const std::uint32_t length = link::kMaxFrameLength + 1000;
    std::string header = "\xCF\xCF";
    for (int shift = 24; shift >= 0; shift -= 8)
        header.push_back(char((length >> shift) & 0xFF));
    ASSERT_TRUE(pc.sendRaw(header + std::string("\x00\x01\x00\x03", 4)));
    const std::string chunk(1 << 20, 'z');
    std::size_t sent = 0;
    while (sent + chunk.size() <= length - 4) {
        ASSERT_TRUE(pc.sendRaw(chunk));
        sent += chunk.size();
    }
    pc.sendRaw(std::string(length - 4 - sent, 'z'));
    // A flood of small frames of a code nobody asked for: each is dropped as it is read.
    std::string flood;
    for (int i = 0; i < 70'000; ++i)
        flood += link::encodeMessageFrame(999, "");
    for (int round = 0; round < 8; ++round)
        ASSERT_TRUE(pc.sendRaw(flood));
    link.mgr->WaitFileCommandResutBlock([&] { answered.fetch_add(1); });
    link.mgr->RemoteStandby();
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1022, pack({I(1005), I(0)}));
    ASSERT_TRUE(waitFor([&] { return answered.load() == 2; }, 10s));
    EXPECT_EQ(link.stateCount.load(), 0);
}

TEST(CNetMgrLink, IdleLinkSendsHeartbeatsAndNothingElse) {
    ShortWaits waits({50ms, 10000ms, 30000ms});
    ScriptedComputer pc;
    Link link(pc.port());
    acceptDirectly(pc);
    int heartbeats = 0;
    for (int i = 0; i < 3; ++i) {
        auto f = pc.readFrame(2s);
        ASSERT_TRUE(f);
        EXPECT_TRUE(f->heartbeat);
        heartbeats += f->heartbeat;
    }
    EXPECT_EQ(heartbeats, 3);
    // HeartbeatPacket from another thread goes out whole, between frames.
    link.mgr->HeartbeatPacket();
    EXPECT_TRUE(pc.readFrame(2s));
    EXPECT_EQ(link.stateCount.load(), 0);
}

// A callback on the link thread may destroy the facade whose loop runs it: the answer callback
// of an accepted link, and the state callback of a refused one.
TEST(CNetMgrLink, DestroyingTheFacadeFromItsOwnCallbackEndsTheLinkCleanly) {
    for (bool fromAnswer : {true, false}) {
        SCOPED_TRACE(fromAnswer ? "answer callback" : "state callback");
        ScriptedComputer pc;
        const int port = fromAnswer ? pc.port() : freePort();
        auto mgr = std::make_unique<CServerManager>();
        CServerManager* raw = mgr.get();
        std::mutex ownerMutex;
        const auto destroy = [&] {
            std::lock_guard lock(ownerMutex);
            mgr.reset();
        };
        if (fromAnswer) {
            raw->WaitFileCommandResutBlock(destroy);
        } else {
            raw->CNetClassMgrBlock([&](int) { destroy(); });
        }
        std::atomic<bool> ended{false};
        std::thread thread([&, raw] {
            raw->ConnectLanServer("127.0.0.1", port, "");
            ended.store(true);
        });
        if (fromAnswer) {
            ASSERT_TRUE(pc.accept());
            ASSERT_TRUE(pc.readMessage());
            pc.sendMessage(1039, pack({I(255), I(0), R("T")}));
        }
        ASSERT_TRUE(waitFor([&] { return ended.load(); }));
        thread.join();
        if (fromAnswer) {
            EXPECT_TRUE(pc.peerClosed(2s));
        }
        std::lock_guard lock(ownerMutex);
        EXPECT_EQ(mgr, nullptr);
    }
}

TEST(CNetMgrLink, DestroyingWhileBusyNeverTouchesFreedMemory) {
    for (int round = 0; round < 20; ++round) {
        ScriptedComputer pc;
        auto link = std::make_unique<Link>(pc.port());
        ASSERT_TRUE(pc.accept());
        std::thread flood([&] {
            for (int i = 0; i < 50; ++i) {
                pc.sendMessage(1020, pack({I(1001), I(0)}));
            }
        });
        for (int i = 0; i < 20; ++i) {
            link->mgr->RemoteLockScreen();
        }
        link.reset();  // destroys the facade while the link is busy
        flood.join();
    }
}

TEST(CNetMgrLink, ManyThreadsQueueingWhileTheLinkSendsIsRaceFree) {
    ScriptedComputer pc;
    Link link(pc.port());
    acceptDirectly(pc);
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));
    std::atomic<bool> reading{true};
    std::atomic<int> frames{0};
    std::thread reader([&] {
        while (reading.load()) {
            if (auto f = pc.readFrame(200ms)) {
                if (f->heartbeat)
                    continue;
                // Every frame is whole: its body decodes and matches one of the requests.
                auto body = msg::decode(f->body);
                EXPECT_TRUE(body);
                frames.fetch_add(1);
            }
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (t % 3 == 0)
                    link.mgr->FindFolder("C:/folder/" + std::to_string(i));
                if (t % 3 == 1)
                    link.mgr->PlugMessagePost("1", "0", 1, R"({"c":"up"})");
                if (t % 3 == 2)
                    link.mgr->HeartbeatPacket();
                (void)link.mgr->GetErrorCode();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    ASSERT_TRUE(waitFor([&] { return frames.load() > 0; }));
    reading.store(false);
    reader.join();
    EXPECT_EQ(link.stateCount.load(), 0);
}

TEST(CServerManagerUrl, SignedLinksEscapeThePathAndKeyOnTheTicket) {
    const std::string url =
        buildSignedUrl("192.168.1.2", 8080, "D:/My Docs/a+b.txt", "0123456789ABCDEF", "TK");
    const std::string escaped = "D%3A%2FMy%20Docs%2Fa%2Bb.txt";
    // The key is MD5("/" + escaped path + ticket + salt), worked out by hand.
    EXPECT_EQ(url, "http://192.168.1.2:8080/" + escaped +
                       "?d=0123456789ABCDEF&k=6072ae652dd6189ea96657a5904056b0");
    EXPECT_NE(buildSignedUrl("h", 1, "p", "u", "TK2"), buildSignedUrl("h", 1, "p", "u", "TK"));
    CServerManager fresh;
    EXPECT_EQ(fresh.GetErrorCode(), 6);
    EXPECT_EQ(fresh.GetFilePasvErrorCode(), 500);
    // Before the handshake the key is computed with an empty ticket.
    EXPECT_NE(fresh.CreateHttpUrl("h", 1, "\xC3\xA9").find("/%C3%A9?d="), std::string::npos);
}
