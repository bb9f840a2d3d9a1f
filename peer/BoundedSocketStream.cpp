#include "BoundedSocketStream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pd::peer {

using Clock = std::chrono::steady_clock;

BoundedSocketStream::BoundedSocketStream(int fd, std::chrono::microseconds readTimeout,
                                         std::chrono::microseconds writeTimeout)
    : fd_(fd), readTimeout_(readTimeout), writeTimeout_(writeTimeout) {}

void BoundedSocketStream::startRequest(std::size_t budget) {
    budget_ = budget;
}

bool BoundedSocketStream::waitFor(short events, std::chrono::microseconds limit) const {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, events, 0};
        int ready = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(0, left.count())));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        // An error or hang-up counts as ready: the read or write that follows reports it.
        return ready > 0;
    }
}

bool BoundedSocketStream::is_readable() const {
    return hasBufferedInput() || waitFor(POLLIN, readTimeout_);
}

bool BoundedSocketStream::is_writable() const {
    return waitFor(POLLOUT, writeTimeout_);
}

ssize_t BoundedSocketStream::read(char* ptr, size_t size) {
    if (budget_ == 0) {
        exceeded_ = true;
        return -1;
    }
    size = std::min(size, budget_);
    while (!hasBufferedInput()) {
        if (!waitFor(POLLIN, readTimeout_)) {
            return -1;
        }
        ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            return n;  // 0: the client closed; -1: an error
        }
        begin_ = 0;
        end_ = static_cast<std::size_t>(n);
    }
    std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_.data() + begin_, n);
    begin_ += n;
    budget_ -= n;
    return static_cast<ssize_t>(n);
}

ssize_t BoundedSocketStream::write(const char* ptr, size_t size) {
    if (!waitFor(POLLOUT, writeTimeout_)) {
        return -1;
    }
    ssize_t n = 0;
    do {
        n = ::send(fd_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return 0;  // woken without room after all; the caller writes again
    }
    return n;
}

static void nameOf(const sockaddr_storage& addr, socklen_t len, std::string& ip, int& port) {
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&addr), len, host, sizeof host, service,
                      sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

void BoundedSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        nameOf(addr, len, ip, port);
    }
}

void BoundedSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        nameOf(addr, len, ip, port);
    }
}

}  // namespace pd::peer
