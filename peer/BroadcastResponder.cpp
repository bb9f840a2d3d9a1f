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
    if (socket_ >= 0) {
        ::close(socket_);
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
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(options_.port);
    if (::inet_pton(AF_INET, options_.bindAddress.c_str(), &bound.sin_addr) != 1) {
        return fail("'" + options_.bindAddress + "' is not an IPv4 address");
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (stopFd_ < 0 || socket_ < 0) {
        return fail(std::string("cannot create the socket: ") + std::strerror(errno));
    }
    const int one = 1;
    ::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    ::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t length = sizeof bound;
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return fail("cannot bind " + options_.bindAddress + ":" + std::to_string(options_.port) +
                    ": " + std::strerror(errno));
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { serve(); });
    PD_LOG_INFO("broadcast responder on {}:{} announces {}-{}", options_.bindAddress, port_,
                options_.name, options_.tag);
    return true;
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
    std::array<char, 2048> buffer{};
    for (;;) {
        pollfd fds[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_ERROR("broadcast responder poll failed: {}", std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = ::recvfrom(socket_, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) {
            continue;  // EAGAIN after a spurious wake, or an error of an earlier send
        }
        const std::string_view request(buffer.data(), static_cast<std::size_t>(got));
        if (!request.starts_with(kDiscoveryRequestStart)) {
            continue;
        }
        if (!isLoopbackSender(from)) {
            PD_LOG_WARN("broadcast responder ignores a request from outside loopback");
            continue;
        }
        if (::sendto(socket_, reply_.data(), reply_.size(), 0,
                     reinterpret_cast<const sockaddr*>(&from), length) < 0) {
            PD_LOG_WARN("broadcast responder cannot answer: {}", std::strerror(errno));
            continue;
        }
        answered_.fetch_add(1);
    }
}

}  // namespace pd::peer
