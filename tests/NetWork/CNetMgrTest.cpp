// The link engine against a computer whose bytes the test controls.

#include "NetWork/CServerManager.h"
#include "NetWork/LinkLoop.h"
#include "codec/LinkFrame.h"
#include "codec/SignedLink.h"
#include "support/ScriptedComputer.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
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

// Accepts the link, answers the hello with a direct acceptance and waits until it counts.
void acceptDirectly(ScriptedComputer& pc, Link& link) {
    ASSERT_TRUE(pc.accept());
    ASSERT_TRUE(pc.readMessage());
    pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));
}

int freePort() {
    ScriptedComputer probe;
    return probe.port();  // closed again when probe goes
}

// A computer that never accepts, its queue full: the kernel leaves further connection requests
// unanswered.
struct SilentListener {
    SilentListener() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(pc.port()));
        for (int& filler : fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        }
    }
    ~SilentListener() {
        for (int filler : fillers)
            ::close(filler);
    }
    ScriptedComputer pc;
    int fillers[8] = {};  // more than its listen queue holds
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
        {"no answer", "127.0.0.1", silent.pc.port()},
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
    acceptDirectly(pc, link);
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
    acceptDirectly(pc, link);
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

// The hello carries the device info; idle, the link sends heartbeats. A frame that arrives in
// pieces is the frame reader's test: the loop hands it whatever each read returns.
TEST(CNetMgrLink, HelloCarriesTheDeviceInfoAndAnIdleLinkSendsHeartbeats) {
    ShortWaits waits({50ms, 10000ms, 30000ms});
    ScriptedComputer pc;
    Link link(pc.port());
    ASSERT_TRUE(pc.accept());
    auto hello = pc.readMessage();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->code, 39);
    EXPECT_EQ(hello->body, pack({I(255), R(link.mgr->netMgr.deviceInfo()), I(2), R("AUTH2"),
                                 R("00:00:00:11:11:11")}));
    pc.sendMessage(1039, pack({I(255), I(0), R("TICKET")}));
    ASSERT_TRUE(waitFor([&] { return link.mgr->IsAuthSucess(); }));

    for (int i = 0; i < 3; ++i) {
        auto f = pc.readFrame(2s);
        ASSERT_TRUE(f);
        EXPECT_TRUE(f->heartbeat);
    }
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
        if (fromAnswer) {
            raw->WaitFileCommandResutBlock([&] { mgr.reset(); });
        } else {
            raw->CNetClassMgrBlock([&](int) { mgr.reset(); });
        }
        std::thread thread([raw, port] { raw->ConnectLanServer("127.0.0.1", port, ""); });
        if (fromAnswer) {
            EXPECT_TRUE(pc.accept() && pc.readMessage());
            pc.sendMessage(1039, pack({I(255), I(0), R("T")}));
        }
        thread.join();  // the link ends by itself
        if (fromAnswer) {
            EXPECT_TRUE(pc.peerClosed(2s));
        }
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
    acceptDirectly(pc, link);
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
    // Every frame is whole: its body decodes.
    int frames = 0;
    while (auto f = pc.readFrame(200ms)) {
        if (!f->heartbeat) {
            EXPECT_TRUE(msg::decode(f->body));
            ++frames;
        }
    }
    EXPECT_GT(frames, 0);
    EXPECT_EQ(link.stateCount.load(), 0);
}

TEST(CServerManagerUrl, SignedLinksEscapeThePathAndKeyOnTheTicket) {
    const std::string url =
        buildSignedUrl("192.168.1.2", 8080, "D:/My Docs/a+b.txt", "0123456789ABCDEF", "TK");
    const std::string escaped = "D%3A%2FMy%20Docs%2Fa%2Bb.txt";
    // The key is MD5("/" + escaped path + ticket + salt), worked out by hand.
    EXPECT_EQ(url, "http://192.168.1.2:8080/" + escaped +
                       "?d=0123456789ABCDEF&k=6072ae652dd6189ea96657a5904056b0");
    CServerManager fresh;
    EXPECT_EQ(fresh.GetFilePasvErrorCode(), 500);
    // Before the handshake the key is computed with an empty ticket.
    EXPECT_NE(fresh.CreateHttpUrl("h", 1, "\xC3\xA9").find("/%C3%A9?d="), std::string::npos);
}
