#include "UdpService.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace pd::peer {

UdpService::~UdpService() {
    stop();
    if (socket_ >= 0) {
        ::close(socket_);
    }
    if (stopFd_ >= 0) {
        ::close(stopFd_);
    }
}

bool UdpService::fail(std::string message) {
    PD_LOG_ERROR("{}: {}", name_, message);
    error_ = std::move(message);
    return false;
}

bool UdpService::start(const std::string& address, std::uint16_t port,
                       std::function<void()> serve) {
    if (socket_ >= 0) {
        return fail("already started");
    }
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &bound.sin_addr) != 1) {
        return fail("'" + address + "' is not an IPv4 address");
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (stopFd_ < 0 || socket_ < 0) {
        return fail(std::string("cannot create the socket: ") + std::strerror(errno));
    }
    socklen_t length = sizeof bound;
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return fail("cannot bind " + address + ":" + std::to_string(port) + ": " +
                    std::strerror(errno));
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread(std::move(serve));
    PD_LOG_INFO("{} on {}:{}", name_, address, port_);
    return true;
}

void UdpService::stop() {
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) {
        PD_LOG_ERROR("cannot stop the {}: {}", name_, std::strerror(errno));
        return;
    }
    thread_.join();
}

}  // namespace pd::peer
