#include "support/BroadcastReceiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pd::test {

BroadcastReceiver::BroadcastReceiver() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.255.255.255", &address.sin_addr);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

BroadcastReceiver::~BroadcastReceiver() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::optional<std::string> BroadcastReceiver::receive(std::chrono::milliseconds limit) {
    pollfd pfd{fd_, POLLIN, 0};
    if (port_ == 0 || ::poll(&pfd, 1, static_cast<int>(limit.count())) != 1) {
        return std::nullopt;
    }
    std::string bytes(65536, '\0');
    const ssize_t got = ::recv(fd_, bytes.data(), bytes.size(), 0);
    if (got < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

}  // namespace pd::test
