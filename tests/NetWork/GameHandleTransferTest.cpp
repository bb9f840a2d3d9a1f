// The gamepad sender against a UDP socket on 127.0.0.1, and its results when the system's
// sockets misbehave.

#include "NetWork/GameHandleTransfer.h"
#include "support/RecordingSockets.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <vector>

namespace pd::test {
namespace {

// A UDP socket bound to an ephemeral port of 127.0.0.1.
class LoopbackReceiver {
  public:
    LoopbackReceiver() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
            port_ = ntohs(a.sin_port);
        }
    }
    ~LoopbackReceiver() { ::close(fd_); }
    int port() const { return port_; }
    // The next datagram and its source port, waiting up to two seconds.
    std::optional<std::pair<std::vector<std::uint8_t>, int>> next() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 2000) != 1) {
            return std::nullopt;
        }
        std::array<std::uint8_t, 16> buffer{};
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = ::recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) {
            return std::nullopt;
        }
        return std::pair{std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + got),
                         static_cast<int>(ntohs(from.sin_port))};
    }
    bool quiet() {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 50) == 0;
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

using Bytes = std::vector<std::uint8_t>;

TEST(GameHandleTransfer, SendsTwoByteDatagramsFromOneEphemeralPort) {
    LoopbackReceiver receiver;
    ASSERT_NE(receiver.port(), 0);
    GameHandleTransfer transfer;
    EXPECT_EQ(transfer.socket(), -1);

    const std::array<std::uint8_t, 2> down = {20, 1}, up = {20, 2};
    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", receiver.port(), down), 0);
    ASSERT_GE(transfer.socket(), 0);
    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", receiver.port(), up), 1);

    auto first = receiver.next();
    auto second = receiver.next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->first, (Bytes{20, 1}));
    EXPECT_EQ(second->first, (Bytes{20, 2}));
    EXPECT_NE(first->second, 0);
    EXPECT_EQ(first->second, second->second);  // one socket for every event

    timeval timeout{};
    socklen_t length = sizeof timeout;
    ASSERT_EQ(::getsockopt(transfer.socket(), SOL_SOCKET, SO_SNDTIMEO, &timeout, &length), 0);
    EXPECT_EQ(timeout.tv_sec * 1000 + timeout.tv_usec / 1000, 1000);

    EXPECT_TRUE(transfer.CloseSocket());
    EXPECT_EQ(transfer.socket(), -1);
    EXPECT_TRUE(transfer.CloseSocket());  // nothing open: still true
}

TEST(GameHandleTransfer, BadAddressesAndFailedSendsAreDroppedAndThePadGoesOn) {
    LoopbackReceiver receiver;
    GameHandleTransfer transfer;
    const std::array<std::uint8_t, 2> click = {34, 3};
    for (const char* ip : {"", "not an address", "127.0.0.1.5", "::1", "256.1.1.1"}) {
        transfer.ConnectServer(ip, receiver.port(), click);
    }
    EXPECT_FALSE(transfer.SendData(click, "127.0.0.1", 0));
    EXPECT_FALSE(transfer.SendData(click, "127.0.0.1", 70000));
    EXPECT_FALSE(transfer.SendData(click, "127.0.0.1", -1));
    // Nobody listens on the receiver's port once it is gone; sending there is still fine.
    int closedPort = 0;
    {
        LoopbackReceiver gone;
        closedPort = gone.port();
    }
    for (int i = 0; i < 3; ++i) {
        transfer.ConnectServer("127.0.0.1", closedPort, click);
    }
    EXPECT_TRUE(receiver.quiet());

    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", receiver.port(), click), 1);
    auto got = receiver.next();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, (Bytes{34, 3}));
}

TEST(GameHandleTransfer, ResultsWhenTheSystemRefuses) {
    auto sockets = std::make_shared<RecordingSockets>();
    GameHandleTransfer transfer(sockets);
    const std::array<std::uint8_t, 2> click = {1, 3};

    // No socket: the datagram is dropped and the next one tries again.
    sockets->failOpens = 1;
    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", 9, click), 0);
    EXPECT_FALSE(transfer.connected());
    EXPECT_EQ(transfer.socket(), -1);
    EXPECT_TRUE(sockets->sent.empty());
    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", 9, click), 0);
    EXPECT_EQ(transfer.ConnectServer("127.0.0.1", 9, click), 1);
    ASSERT_EQ(sockets->sent.size(), 2u);
    EXPECT_EQ(sockets->sent[0].address, 0x7F000001u);
    EXPECT_EQ(sockets->sent[0].port, 9);

    // A failed close is reported, yet the number is never closed a second time: it may
    // already belong to another file.
    sockets->failClose = true;
    EXPECT_FALSE(transfer.CloseSocket());
    EXPECT_EQ(transfer.socket(), -1);
    EXPECT_TRUE(transfer.CloseSocket());
    EXPECT_EQ(sockets->closed, std::vector<int>{100});
}

}  // namespace
}  // namespace pd::test
