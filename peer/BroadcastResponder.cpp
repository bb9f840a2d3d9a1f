#include "BroadcastResponder.h"

#include "NetWork/DiscoveryMessages.h"
#include "platform/Log.h"
#include "platform/Utf8.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace pd::peer {

namespace {

// A phone reads at most kMaxDiscoveryReplyBytes and splits values at ":" and the device name at
// its last "-": texts that would break that are refused rather than announced garbled.
bool fitsInLine(std::string_view text) {
    return text.find_first_of(std::string_view(":\r\n\0", 4)) == std::string_view::npos;
}

bool isLoopbackSender(const sockaddr_in& from) {
    return from.sin_family == AF_INET && (ntohl(from.sin_addr.s_addr) >> 24) == 127;
}

}  // namespace

std::string announcementText(const BroadcastResponderOptions& o) {
    std::string text = "QVR-Broadcast/1.0 200 OK\r\n";
    const auto line = [&text](std::string_view name, std::string_view value) {
        text.append(name).append(":").append(value).append("\r\n");
    };
    line("IP", o.announcedAddress);
    line("Display-IP", o.announcedAddress);
    line("Device-Type", "PC");
    line("Device-Name", o.name + "-" + o.tag);
    line("User-Agent", "pocketdesk-peer/" POCKETDESK_BUNDLE_VERSION);
    line("Broadcast-Version", "1.0");
    line("QVRWSAP-Support", o.support);
    line("QVRWSAP-Port", std::to_string(o.controlPort));
    line("QVRWSAP-Version", "2.0");
    line("QVRWSAP-Need-Authorization", "TRUE");
    line("Http-Port", std::to_string(o.httpPort));
    return text;
}

BroadcastResponder::BroadcastResponder(BroadcastResponderOptions options)
    : options_(std::move(options)) {}

BroadcastResponder::~BroadcastResponder() {
    stop();
    for (int fd : {socket_, unicastSocket_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (stopFd_ >= 0) {
        ::close(stopFd_);
    }
}

bool BroadcastResponder::fail(std::string message) {
    PD_LOG_ERROR("broadcast responder: {}", message);
    error_ = std::move(message);
    return false;
}

bool BroadcastResponder::start() {
    if (socket_ >= 0) {
        return fail("already started");
    }
    in_addr announced{};
    if (::inet_pton(AF_INET, options_.announcedAddress.c_str(), &announced) != 1) {
        return fail("'" + options_.announcedAddress + "' is not an IPv4 address");
    }
    if (!fitsInLine(options_.name) || !fitsInLine(options_.tag) ||
        options_.tag.find('-') != std::string::npos || !fitsInLine(options_.support) ||
        !isValidUtf8(options_.name + options_.tag + options_.support)) {
        return fail("the name, tag or support value cannot be announced as it is");
    }
    reply_ = announcementText(options_);
    if (reply_.size() > kMaxDiscoveryReplyBytes) {
        return fail("the announcement is longer than " + std::to_string(kMaxDiscoveryReplyBytes) +
                    " bytes");
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        return fail(std::string("cannot create the stop signal: ") + std::strerror(errno));
    }
    socket_ = bindSocket(options_.bindAddress, options_.port);
    if (socket_ < 0) {
        return false;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return fail(std::string("cannot read the bound port: ") + std::strerror(errno));
    }
    if (!options_.unicastAddress.empty()) {
        unicastSocket_ = bindSocket(options_.unicastAddress, ntohs(bound.sin_port));
        if (unicastSocket_ < 0) {
            return false;
        }
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { serve(); });
    PD_LOG_INFO("broadcast responder on {}:{} announces {}-{}", options_.bindAddress, port_,
                options_.name, options_.tag);
    return true;
}

int BroadcastResponder::bindSocket(const std::string& address, std::uint16_t port) {
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &bound.sin_addr) != 1) {
        fail("'" + address + "' is not an IPv4 address");
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        fail(std::string("cannot create the socket: ") + std::strerror(errno));
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        fail("cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

void BroadcastResponder::stop() {
    if (!thread_.joinable()) {
        return;
    }
    // Never read back: the loop sees it at once and leaves.
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) {
        PD_LOG_ERROR("cannot stop the broadcast responder: {}", std::strerror(errno));
        return;
    }
    thread_.join();
}

void BroadcastResponder::serve() {
    for (;;) {
        pollfd fds[3] = {{stopFd_, POLLIN, 0}, {socket_, POLLIN, 0}, {unicastSocket_, POLLIN, 0}};
        // A negative descriptor (no unicast socket) is skipped by poll.
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_ERROR("broadcast responder poll failed: {}", std::strerror(errno));
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        for (int i = 1; i < 3; ++i) {
            if (fds[i].revents != 0) {
                answer(fds[i].fd);
            }
        }
    }
}

void BroadcastResponder::answer(int socket) {
    std::array<char, 2048> buffer{};
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(socket, buffer.data(), buffer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) {
        return;  // EAGAIN after a spurious wake, or an error of an earlier send
    }
    const std::string_view request(buffer.data(), static_cast<std::size_t>(got));
    if (!request.starts_with(kDiscoveryRequestStart)) {
        return;
    }
    if (!isLoopbackSender(from)) {
        PD_LOG_WARN("broadcast responder ignores a request from outside loopback");
        return;
    }
    if (::sendto(socket, reply_.data(), reply_.size(), 0, reinterpret_cast<const sockaddr*>(&from),
                 length) < 0) {
        PD_LOG_WARN("broadcast responder cannot answer: {}", std::strerror(errno));
        return;
    }
    answered_.fetch_add(1);
}

}  // namespace pd::peer
