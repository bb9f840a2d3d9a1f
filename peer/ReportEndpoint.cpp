#include "ReportEndpoint.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace pd::peer {

ReportEndpoint::ReportEndpoint(ReportEndpointOptions options) : options_(std::move(options)) {}

ReportEndpoint::~ReportEndpoint() {
    stop();
    if (socket_ >= 0) {
        ::close(socket_);
    }
    if (stopFd_ >= 0) {
        ::close(stopFd_);
    }
}

bool ReportEndpoint::fail(std::string message) {
    PD_LOG_ERROR("report endpoint: {}", message);
    error_ = std::move(message);
    return false;
}

bool ReportEndpoint::start() {
    if (socket_ >= 0) {
        return fail("already started");
    }
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(options_.port);
    if (::inet_pton(AF_INET, options_.address.c_str(), &bound.sin_addr) != 1) {
        return fail("'" + options_.address + "' is not an IPv4 address");
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (stopFd_ < 0 || socket_ < 0) {
        return fail(std::string("cannot create the socket: ") + std::strerror(errno));
    }
    socklen_t length = sizeof bound;
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return fail("cannot bind " + options_.address + ":" + std::to_string(options_.port) + ": " +
                    std::strerror(errno));
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { serve(); });
    PD_LOG_INFO("report endpoint on {}:{}", options_.address, port_);
    return true;
}

void ReportEndpoint::stop() {
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) {
        PD_LOG_ERROR("cannot stop the report endpoint: {}", std::strerror(errno));
        return;
    }
    thread_.join();
}

void ReportEndpoint::serve() {
    std::array<std::uint8_t, kMaxReportDatagram> buffer{};
    for (;;) {
        pollfd fds[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_ERROR("report endpoint poll failed: {}", std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC: the datagram's whole length, so an oversized one is known as such.
        const ssize_t got = ::recvfrom(socket_, buffer.data(), buffer.size(), MSG_TRUNC,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            continue;  // EAGAIN after a spurious wake
        }
        received_.fetch_add(1);
        take(buffer, static_cast<std::size_t>(got), from);
    }
}

void ReportEndpoint::take(std::span<const std::uint8_t> buffer, std::size_t length,
                          const sockaddr_in& from) {
    if (length > buffer.size()) {
        PD_LOG_WARN("report endpoint: refused a datagram of {} bytes", length);
        if (options_.print) {
            options_.print(
                {{"event", "report_ignored"}, {"bytes", length}, {"reason", "too large"}});
        }
        return;
    }
    const auto datagram = buffer.first(length);
    nlohmann::ordered_json event = describeReportDatagram(datagram);
    if (const int kind = requestedServerKind(datagram); kind != 0) {
        // Answered from this socket: the phone accepts replies only from the dispatcher's port.
        const auto reply =
            serverInfoReply(static_cast<report::ServerKind>(kind), port_, options_.address);
        const bool sent = ::sendto(socket_, reply.data(), reply.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&from),
                                   sizeof from) == static_cast<ssize_t>(reply.size());
        event["answered"] = sent;
    }
    PD_LOG_INFO("report endpoint: {}", event.dump());
    if (options_.print) {
        options_.print(event);
    }
}

}  // namespace pd::peer
