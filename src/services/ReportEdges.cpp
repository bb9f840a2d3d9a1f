#include "services/ReportEdges.h"

#include "platform/ConcurrentQueue.h"
#include "platform/RepeatingTimer.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pd {

namespace {

ConcurrentQueue& keepLiveQueue() {
    static auto* queue = new ConcurrentQueue("KeepLiveQueue", 1);  // lives to the end
    return *queue;
}

bool setTimeout(int fd, int option, std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

}  // namespace

int ReportEdges::openSocket(std::chrono::milliseconds timeout) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    // Time-outs only bound a blocking send; a failure to set them is harmless.
    setTimeout(fd, SO_RCVTIMEO, timeout);
    setTimeout(fd, SO_SNDTIMEO, timeout);
    return fd;
}

void ReportEdges::closeSocket(int fd) {
    ::close(fd);
}

std::optional<in_addr> ReportEdges::resolve(const std::string& host) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

int ReportEdges::poll(pollfd* fds, nfds_t count, int timeoutMs) {
    return ::poll(fds, count, timeoutMs);
}

ssize_t ReportEdges::sendTo(int fd, std::span<const std::uint8_t> bytes, const sockaddr_in& to) {
    return ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

ssize_t ReportEdges::receiveFrom(int fd, std::span<std::uint8_t> buffer, sockaddr_in& from) {
    socklen_t length = sizeof from;
    return ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                      reinterpret_cast<sockaddr*>(&from), &length);
}

std::int64_t ReportEdges::now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<RepeatingTimer> ReportEdges::startKeepAliveTimer(std::chrono::milliseconds interval,
                                                                 Task tick) {
    auto timer =
        std::make_unique<RepeatingTimer>(keepLiveQueue(), std::chrono::milliseconds(0), interval,
                                         std::chrono::milliseconds(0), std::move(tick));
    timer->start();
    return timer;
}

}  // namespace pd
