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

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace pd::link {

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;
constexpr std::chrono::seconds kHeartbeatLeeway{1};
std::atomic<std::int64_t> gHeartbeatMs{5000};
std::atomic<std::int64_t> gConnectWaitMs{10000};
std::atomic<std::int64_t> gSendStallMs{30000};
// One read per pass of the loop: the most the link holds besides the frame being assembled.
// While it is being handled nothing more is read, so a computer that floods the link is held
// back by TCP flow control instead of growing the phone's memory.
constexpr std::size_t kReadChunk = 64 * 1024;

// Process-wide queue on which every link's heartbeat timer fires.
SerialQueue& timerQueue() {
    static SerialQueue* queue = new SerialQueue("timer");
    return *queue;
}

int millisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, 24 * 3600 * 1000));
}

enum class SendResult { Sent, Failed, Stopped };

// Writes all bytes; waits in poll() while the socket's buffer is full. Fails when a write
// fails or no byte goes out for the stall limit (the computer stopped reading): the link must
// then end, since a frame cut short could only be followed by garbage.
SendResult sendAll(LinkState& state, int fd, std::string_view bytes) {
    const Millis stallLimit(gSendStallMs.load());
    auto deadline = Clock::now() + stallLimit;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (state.stopped.load()) {
            return SendResult::Stopped;
        }
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            deadline = Clock::now() + stallLimit;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (Clock::now() >= deadline) {
                PD_LOG_INFO("the computer has not read for {} ms", stallLimit.count());
                return SendResult::Failed;
            }
            pollfd fds[2] = {{fd, POLLOUT, 0}, {state.wakeFd, POLLIN, 0}};
            if (::poll(fds, 2, millisUntil(deadline)) < 0 && errno != EINTR) {
                return SendResult::Failed;
            }
            if (fds[1].revents & POLLIN) {
                state.drainWake();
                // Woken for a new message or a stop; a new message waits for this frame.
            }
            continue;
        }
        PD_LOG_INFO("send failed: {}", std::strerror(n < 0 ? errno : EPIPE));
        return SendResult::Failed;
    }
    return SendResult::Sent;
}

enum class ReadResult { Open, Closed };

// One read; every payload it completes is dispatched before the next read. The dispatcher may
// stop the link (a callback destroying the owner): then the rest is parsed but not dispatched.
ReadResult readOnce(const std::shared_ptr<LinkState>& state, int fd, FrameReader& reader) {
    static thread_local std::string buffer(kReadChunk, '\0');
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n > 0) {
            reader.feed(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                        static_cast<std::size_t>(n), [&state](std::string_view payload) {
                            if (!state->stopped.load()) {
                                dispatchPayload(state, payload);
                            }
                        });
            return ReadResult::Open;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return ReadResult::Open;
        }
        if (n < 0) {
            PD_LOG_INFO("read failed: {}", std::strerror(errno));
        }
        return ReadResult::Closed;
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

void setLinkTimings(const LinkTimings& timings) {
    gHeartbeatMs.store(timings.heartbeat.count());
    gConnectWaitMs.store(timings.connectWait.count());
    gSendStallMs.store(timings.sendStall.count());
}

LinkTimings linkTimings() {
    return {Millis(gHeartbeatMs.load()), Millis(gConnectWaitMs.load()),
            Millis(gSendStallMs.load())};
}

namespace {

void noticeDeadPeer(int fd) {
    // A computer that vanishes (powered off, out of range) sends no FIN: without these the link
    // would wait for the kernel's two hours. Probes start after 5 s of silence, every 2 s,
    // three unanswered end it; data unacknowledged for 15 s ends it too. Options of our own
    // socket only: nothing changes on the wire while the computer answers.
    const int on = 1;
    const int idleSeconds = 5;
    const int intervalSeconds = 2;
    const int probes = 3;
    const unsigned userTimeoutMs = 15000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

}  // namespace

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
    noticeDeadPeer(fd);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool addressOk =
        port > 0 && port <= 65535 && ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) == 1;
    if (!addressOk) {
        PD_LOG_WARN("not a usable address: {}:{}", host, port);
        state.connectError = EADDRNOTAVAIL;
    } else {
        PD_LOG_DEBUG("connecting to {}:{}", host, port);
        // In progress is the normal outcome; the loop learns the result when writable.
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 &&
            errno != EINPROGRESS && errno != EINTR) {
            state.connectError = errno;
        }
    }
    state.m_socket = fd;
    return true;
}

namespace {

void startHeartbeat(const std::shared_ptr<LinkState>& statePtr,
                    std::unique_ptr<RepeatingTimer>& heartbeat) {
    std::weak_ptr<LinkState> weak = statePtr;
    const Millis interval(gHeartbeatMs.load());
    heartbeat = std::make_unique<RepeatingTimer>(timerQueue(), interval, interval, kHeartbeatLeeway,
                                                 [weak] {
                                                     if (auto s = weak.lock()) {
                                                         s->markHeartbeatDue();
                                                     }
                                                 });
    heartbeat->start();
}

// Sends the outbox and a due heartbeat. False when the link must end (stopped or failed).
bool sendDue(LinkState& state, int fd, std::string& frame) {
    if (state.takeOutbox(frame)) {
        PD_LOG_DEBUG("sending a message ({} bytes)", frame.size());
        if (sendAll(state, fd, frame) != SendResult::Sent) {
            return false;
        }
    }
    if (state.takeHeartbeatDue()) {
        const std::string_view hb(reinterpret_cast<const char*>(kHeartbeatFrame.data()),
                                  kHeartbeatFrame.size());
        if (sendAll(state, fd, hb) != SendResult::Sent) {
            return false;
        }
    }
    return true;
}

}  // namespace

void runLinkLoop(const std::shared_ptr<LinkState>& statePtr) {
    LinkState& state = *statePtr;
    int fd;
    {
        std::lock_guard lock(state.mutex);
        fd = state.m_socket;
    }
    FrameReader reader;
    std::unique_ptr<RepeatingTimer> heartbeat;
    const auto connectDeadline = Clock::now() + Millis(gConnectWaitMs.load());
    std::string frame;

    if (state.connectError != 0 && !state.stopped.load()) {
        PD_LOG_INFO("connection not made: {}", std::strerror(state.connectError));
        state.callLinkState(1);
        fd = -1;
    }
    while (!state.stopped.load() && fd >= 0) {
        const bool connected = state.m_bConnected.load();
        const bool wantWrite = !connected || state.wantsToWrite();
        pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {state.wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, connected ? -1 : millisUntil(connectDeadline));
        if (state.stopped.load()) {
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_WARN("link wait failed: {}", std::strerror(errno));
            state.callLinkState(connected ? 0 : 1);
            break;
        }
        if (ready == 0) {
            PD_LOG_INFO("connection not made: no answer within the connect wait");
            state.callLinkState(1);
            break;
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
            if (!sendDue(state, fd, frame)) {
                if (!state.stopped.load()) {
                    PD_LOG_INFO("a frame could not be sent whole; the link ends");
                    state.callLinkState(0);
                }
                break;
            }
            if (!heartbeat) {
                startHeartbeat(statePtr, heartbeat);
            }
        }
        if (connected && (ev & (POLLIN | POLLHUP | POLLERR))) {
            const ReadResult read = readOnce(statePtr, fd, reader);
            if (state.stopped.load()) {
                break;
            }
            if (read == ReadResult::Closed) {
                if (reader.midFrame()) {
                    PD_LOG_INFO("the link ended inside a frame; its bytes are dropped");
                }
                state.callLinkState(0);
                break;
            }
        }
    }
    // The timer goes first: once it is gone nothing but this loop refers to the state.
    heartbeat.reset();
    closeSocket(state);
}

}  // namespace pd::link
