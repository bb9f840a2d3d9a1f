#pragma once
// A UDP socket on 127.0.0.1 for tests that play a datagram service.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace pd::test {

using Bytes = std::vector<std::uint8_t>;

// A UDP socket on 127.0.0.1 with an ephemeral port.
class UdpPeer {
  public:
    UdpPeer() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        socklen_t n = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
    }
    ~UdpPeer() { ::close(fd_); }
    std::uint16_t port() const { return port_; }

    // The next datagram, waiting up to 5 s; remembers who sent it.
    std::optional<Bytes> receive(int waitMs = 5000) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0) {
            return std::nullopt;
        }
        Bytes buffer(2048);
        socklen_t n = sizeof from_;
        const ssize_t got = ::recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from_), &n);
        if (got < 0) {
            return std::nullopt;
        }
        buffer.resize(static_cast<std::size_t>(got));
        return buffer;
    }
    void sendTo(const sockaddr_in& to, const Bytes& bytes) {
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
    }
    const sockaddr_in& lastSender() const { return from_; }

  private:
    int fd_;
    std::uint16_t port_ = 0;
    sockaddr_in from_{};
};

}  // namespace pd::test
