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
}

bool ReportEndpoint::start() {
    return udp_.start(options_.address, options_.port, [this] { serve(); });
}

void ReportEndpoint::stop() {
    udp_.stop();
}

void ReportEndpoint::serve() {
    std::array<std::uint8_t, kMaxReportDatagram> buffer{};
    for (;;) {
        pollfd fds[2] = {{udp_.socket(), POLLIN, 0}, {udp_.stopFd(), POLLIN, 0}};
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
        const ssize_t got = ::recvfrom(udp_.socket(), buffer.data(), buffer.size(), MSG_TRUNC,
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
            serverInfoReply(static_cast<report::ServerKind>(kind), udp_.port(), options_.address);
        const bool sent = ::sendto(udp_.socket(), reply.data(), reply.size(), 0,
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
