#include "support/DataListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pd::test {

namespace {

int listenLoopback(std::uint16_t& port, int receiveBuffer) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

DataListener::DataListener(int receiveBuffer) {
    listenFd_ = listenLoopback(port_, receiveBuffer);
}

DataListener::~DataListener() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    ::close(listenFd_);
}

bool DataListener::accept(std::chrono::milliseconds limit) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) {
        return false;
    }
    fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    return fd_ >= 0;
}

std::optional<std::string> DataListener::readAll(std::chrono::milliseconds limit) {
    if (fd_ < 0 && !accept(limit)) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string out;
    char buf[64 * 1024];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            continue;
        }
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            return out;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

std::uint16_t unusedLoopbackPort() {
    std::uint16_t port = 0;
    ::close(listenLoopback(port, 0));
    return port;
}

}  // namespace pd::test
