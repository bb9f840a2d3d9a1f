#pragma once
// The usage report client's edges: its socket calls, name resolution, clock and keep-alive
// timer. This class is the system's; a test derives from it to count, fail or fake a call.

#include "platform/DispatchQueue.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace pd {

class RepeatingTimer;

class ReportEdges {
  public:
    virtual ~ReportEdges() = default;

    // A UDP IPv4 socket with receive and send time-outs of `timeout`; -1 on failure.
    virtual int openSocket(std::chrono::milliseconds timeout);
    virtual void closeSocket(int fd);
    // The first IPv4 address of a host name or dotted address (network byte order).
    virtual std::optional<in_addr> resolve(const std::string& host);
    // As ::poll, ::sendto and ::recvfrom (the last without blocking); -1 with errno on failure.
    virtual int poll(pollfd* fds, nfds_t count, int timeoutMs);
    virtual ssize_t sendTo(int fd, std::span<const std::uint8_t> bytes, const sockaddr_in& to);
    virtual ssize_t receiveFrom(int fd, std::span<std::uint8_t> buffer, sockaddr_in& from);
    // Whole seconds since 1970-01-01 UTC.
    virtual std::int64_t now();
    // Runs `tick` at once and then every `interval` on the "KeepLiveQueue" queue, until the
    // timer is destroyed.
    virtual std::unique_ptr<RepeatingTimer> startKeepAliveTimer(std::chrono::milliseconds interval,
                                                                Task tick);
};

}  // namespace pd
