#include "NetWork/LinkLoop.h"

#include "NetWork/LinkDispatcher.h"
#include "NetWork/LinkState.h"
#include "codec/LinkFrame.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace pd::link {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kConnectWait{10};
constexpr std::chrono::seconds kHeartbeatLeeway{1};
std::atomic<std::int64_t> gHeartbeatMs{5000};
constexpr std::size_t kReadChunk = 64 * 1024;

// Process-wide queue on which every link's heartbeat timer fires.
SerialQueue& timerQueue() {
    static SerialQueue* queue = new SerialQueue("timer");
    return *queue;
}

enum class SendResult { Sent, Failed, Stopped };

// Writes all bytes; waits in poll() while the socket's buffer is full and gives up when the
// link stops or a write fails.
SendResult sendAll(LinkState& state, int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (state.stopped.load()) {
            return SendResult::Stopped;
        }
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {state.wakeFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                return SendResult::Failed;
            }
            if (fds[1].revents & POLLIN) {
                state.drainWake();
                // Woken for a new message or a stop; a new message waits for this frame.
            }
            continue;
        }
        return SendResult::Failed;
    }
    return SendResult::Sent;
}

// Reads what is available. False when the stream ended or failed.
bool readAvailable(int fd, FrameReader& reader) {
    static thread_local std::string buffer(kReadChunk, '\0');
    while (true) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n > 0) {
            reader.feed(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                        static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < buffer.size()) {
                return true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        return false;
    }
}

void closeSocket(LinkState& state) {
    std::lock_guard lock(state.mutex);
    if (state.m_socket >= 0) {
        ::close(state.m_socket);
        state.m_socket = -1;
    }
}

}  // namespace

void setHeartbeatInterval(std::chrono::milliseconds interval) {
    gHeartbeatMs.store(interval.count());
}

bool openSocket(LinkState& state, const std::string& host, int port) {
    std::lock_guard lock(state.mutex);
    if (state.m_socket >= 0 || state.m_bConnected.load()) {
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool addressOk =
        port > 0 && port <= 65535 && ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) == 1;
    if (addressOk) {
        PD_LOG_DEBUG("connecting to {}:{}", host, port);
        // In progress is the normal outcome; the loop learns the result when writable.
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 &&
            errno != EINPROGRESS) {
            PD_LOG_INFO("connect to {}:{} failed at once: {}", host, port, std::strerror(errno));
        }
    } else {
        PD_LOG_WARN("not a usable address: {}:{}", host, port);
        ::shutdown(fd, SHUT_RDWR);  // makes the loop see a failed connection
    }
    state.m_socket = fd;
    return true;
}

void runLinkLoop(const std::shared_ptr<LinkState>& statePtr) {
    LinkState& state = *statePtr;
    int fd;
    {
        std::lock_guard lock(state.mutex);
        fd = state.m_socket;
    }
    FrameReader reader;
    std::unique_ptr<RepeatingTimer> heartbeat;
    auto connectDeadline = Clock::now() + kConnectWait;
    std::string frame;

    while (!state.stopped.load() && fd >= 0) {
        const bool connected = state.m_bConnected.load();
        const bool wantWrite = !connected || state.wantsToWrite();
        pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {state.wakeFd, POLLIN, 0}};
        int timeout = -1;
        if (!connected) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                connectDeadline - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        const int ready = ::poll(fds, 2, timeout);
        if (state.stopped.load()) {
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_WARN("link wait failed: {}", std::strerror(errno));
            state.callLinkState(1);
            break;
        }
        if (ready == 0) {
            // Still connecting after the wait: report it and keep waiting.
            state.callLinkState(1);
            connectDeadline = Clock::now() + kConnectWait;
            continue;
        }
        if (fds[1].revents & POLLIN) {
            state.drainWake();
        }
        const short ev = fds[0].revents;
        if (!connected && (ev & (POLLOUT | POLLERR | POLLHUP))) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) {
                err = errno;
            }
            if (err != 0 || (ev & (POLLERR | POLLHUP))) {
                PD_LOG_INFO("connection not made: {}", std::strerror(err ? err : ECONNREFUSED));
                state.callLinkState(1);
                break;
            }
            state.m_bConnected.store(true);
            PD_LOG_DEBUG("connected; sending the hello");
        }
        if (state.m_bConnected.load()) {
            if (state.takeOutbox(frame)) {
                PD_LOG_DEBUG("sending a message ({} bytes)", frame.size());
                const SendResult sent = sendAll(state, fd, frame);
                if (sent == SendResult::Stopped) {
                    break;
                }
                if (sent == SendResult::Failed) {
                    PD_LOG_INFO("a message could not be sent; the link will report its end");
                }
            }
            if (state.takeHeartbeatDue()) {
                const std::string_view hb(reinterpret_cast<const char*>(kHeartbeatFrame.data()),
                                          kHeartbeatFrame.size());
                if (sendAll(state, fd, hb) == SendResult::Stopped) {
                    break;
                }
            }
            if (!heartbeat) {
                std::weak_ptr<LinkState> weak = statePtr;
                const std::chrono::milliseconds interval(gHeartbeatMs.load());
                heartbeat = std::make_unique<RepeatingTimer>(timerQueue(), interval, interval,
                                                             kHeartbeatLeeway, [weak] {
                                                                 if (auto s = weak.lock()) {
                                                                     s->markHeartbeatDue();
                                                                 }
                                                             });
                heartbeat->start();
            }
        }
        if (connected && (ev & (POLLIN | POLLHUP | POLLERR))) {
            const bool open = readAvailable(fd, reader);
            while (!state.stopped.load()) {
                auto payload = reader.next();
                if (!payload) {
                    break;
                }
                dispatchPayload(statePtr, *payload);
            }
            if (state.stopped.load()) {
                break;
            }
            if (!open) {
                if (auto partial = reader.takePartial()) {
                    dispatchPayload(statePtr, *partial);
                }
                if (!state.stopped.load()) {
                    state.callLinkState(0);
                }
                break;
            }
        }
    }
    // The timer goes first: once it is gone nothing but this loop refers to the state.
    heartbeat.reset();
    closeSocket(state);
}

}  // namespace pd::link
