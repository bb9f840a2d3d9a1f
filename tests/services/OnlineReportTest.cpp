// The usage report client against a test dispatcher and report servers on 127.0.0.1.

#include "platform/RepeatingTimer.h"
#include "services/OnlineReport.h"
#include "support/UdpPeer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace pd {
namespace {

using test::Bytes;
using test::UdpPeer;

// The system's edges, counted, with a fixed clock, failures to inject, and no name lookups
// beyond 127.0.0.1.
class TestEdges : public ReportEdges {
  public:
    int openSocket(std::chrono::milliseconds timeout) override {
        ++opens;
        return ReportEdges::openSocket(timeout);
    }
    std::optional<in_addr> resolve(const std::string& host) override {
        ++resolves;
        return host == "127.0.0.1" ? ReportEdges::resolve(host) : std::nullopt;
    }
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        if (const int e = next(pollErrors)) {
            errno = e;
            return -1;
        }
        return ReportEdges::poll(fds, count, timeoutMs);
    }
    ssize_t sendTo(int fd, std::span<const std::uint8_t> b, const sockaddr_in& to) override {
        if (const int e = next(sendErrors)) {
            errno = e;
            return -1;
        }
        return ReportEdges::sendTo(fd, b, to);
    }
    std::int64_t now() override { return 0x0102030405060708LL; }
    std::unique_ptr<RepeatingTimer> startKeepAliveTimer(std::chrono::milliseconds interval,
                                                        Task tick) override {
        ++timersStarted;
        EXPECT_EQ(interval, std::chrono::seconds(300));
        return ReportEdges::startKeepAliveTimer(interval, std::move(tick));
    }

    std::atomic<int> opens{0};
    std::atomic<int> resolves{0};
    std::atomic<int> timersStarted{0};
    std::mutex mutex;
    std::deque<int> pollErrors;  // guarded by mutex
    std::deque<int> sendErrors;  // guarded by mutex

  private:
    int next(std::deque<int>& errors) {
        std::lock_guard lock(mutex);
        if (errors.empty()) {
            return 0;
        }
        const int e = errors.front();
        errors.pop_front();
        return e;
    }
};

Bytes reply(int kind, std::uint16_t port, std::string_view address) {
    Bytes out = {0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 1,
                 static_cast<std::uint8_t>(kind),
                 static_cast<std::uint8_t>(port),
                 static_cast<std::uint8_t>(port >> 8),
                 0,
                 0,
                 static_cast<std::uint8_t>(address.size()),
                 0};
    for (char c : address) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes ascii(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

const report::ReportIdentity kIdentity{"0123456789ABCDEF", "FEDCBA9876543210",
                                       0x0001000000020003ULL};

class OnlineReportTest : public ::testing::Test {
  protected:
    OnlineReportTest() : client(edges, kIdentity) {}

    void start() { ASSERT_TRUE(client.ConnectOnlineServer({"127.0.0.1", dispatcher.port()})); }
    // Takes both requests and names the two report servers.
    void answerRequests() {
        for (int kind : {1, 2}) {
            const auto request = dispatcher.receive();
            ASSERT_TRUE(request);
            EXPECT_EQ(*request, concat({Bytes(11, 0),
                                        {2, 0, 5, static_cast<std::uint8_t>(kind)},
                                        ascii("0123456789ABCDEF")}));
            dispatcher.sendTo(
                dispatcher.lastSender(),
                reply(kind, kind == 1 ? keepServer.port() : statServer.port(), "127.0.0.1"));
        }
        clientAddress = dispatcher.lastSender();
    }
    Bytes statisticsReport(std::uint32_t bn) {
        return concat({Bytes(11, 0),
                       {6, 1, 5},
                       ascii("0123456789ABCDEF"),
                       {88, 0},
                       {3, 0, 2, 0, 0, 0, 1, 0},
                       {8, 7, 6, 5, 4, 3, 2, 1},
                       {static_cast<std::uint8_t>(bn), static_cast<std::uint8_t>(bn >> 8),
                        static_cast<std::uint8_t>(bn >> 16), static_cast<std::uint8_t>(bn >> 24)}});
    }

    UdpPeer dispatcher;
    UdpPeer keepServer;
    UdpPeer statServer;
    sockaddr_in clientAddress{};
    std::shared_ptr<TestEdges> edges = std::make_shared<TestEdges>();
    OnlineReport client;  // last: stopped before the peers close
};

TEST_F(OnlineReportTest, AsksTheDispatcherThenSendsKeepAliveAndOneReportPerButton) {
    start();
    answerRequests();

    const auto keepAlive = keepServer.receive();
    ASSERT_TRUE(keepAlive);
    EXPECT_EQ(*keepAlive, concat({Bytes(11, 0),
                                  {4, 0, 5, 88, 0},
                                  ascii("0123456789ABCDEF"),
                                  {3, 0, 2, 0, 0, 0, 1, 0},
                                  {0},
                                  ascii("FEDCBA9876543210"),
                                  Bytes(16, 0)}));

    client.SubmitBnClickStat(0x01020304);
    const auto stat = statServer.receive();
    ASSERT_TRUE(stat);
    EXPECT_EQ(*stat, statisticsReport(0x01020304));
    client.SubmitBnClickStat(12);
    EXPECT_EQ(statServer.receive(), statisticsReport(12));
    EXPECT_EQ(edges->opens, 1);
}

TEST_F(OnlineReportTest, OnlyTheDispatcherNamesServersAndTheTimerStartsOnce) {
    start();
    answerRequests();
    ASSERT_TRUE(keepServer.receive());

    // A stranger points the statistics at itself; the dispatcher repeats its keep-alive answer.
    UdpPeer stranger;
    stranger.sendTo(clientAddress, reply(2, stranger.port(), "127.0.0.1"));
    dispatcher.sendTo(clientAddress, reply(1, keepServer.port(), "127.0.0.1"));
    dispatcher.sendTo(clientAddress, reply(1, keepServer.port(), "127.0.0.1"));
    // Datagrams already queued are read before the due report goes out.
    client.SubmitBnClickStat(7);
    EXPECT_EQ(statServer.receive(), statisticsReport(7));
    EXPECT_FALSE(stranger.receive(0));
    EXPECT_EQ(edges->timersStarted, 1);
}

TEST_F(OnlineReportTest, InterruptedAndFailedCallsDoNotEndTheLoop) {
    {
        std::lock_guard lock(edges->mutex);
        edges->pollErrors = {EINTR, EINTR, ENOMEM};
        edges->sendErrors = {EINTR};  // the first request is sent again
    }
    start();
    answerRequests();
    ASSERT_TRUE(keepServer.receive());
    {
        std::lock_guard lock(edges->mutex);
        edges->pollErrors = {ENOMEM, EINTR};
    }
    client.SubmitBnClickStat(3);
    EXPECT_EQ(statServer.receive(), statisticsReport(3));
}

TEST_F(OnlineReportTest, WithoutADispatcherNothingIsResolvedOpenedOrSent) {
    EXPECT_FALSE(client.ConnectOnlineServer({"", 8200}));
    client.SubmitBnClickStat(1);
    EXPECT_FALSE(client.started());
    EXPECT_EQ(edges->resolves, 0);
    EXPECT_EQ(edges->opens, 0);

    // A dispatcher whose name does not resolve: started, but no socket.
    OnlineReport unresolved(edges, kIdentity);
    EXPECT_TRUE(unresolved.ConnectOnlineServer({"no-such-dispatcher", 8200}));
    EXPECT_FALSE(unresolved.ConnectOnlineServer({"127.0.0.1", dispatcher.port()}));
}

}  // namespace
}  // namespace pd
