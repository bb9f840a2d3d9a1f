#include "NetWork/AudioStreamTransfer.h"

#include "platform/AudioFormat.h"
#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pd {

AudioStreamTransfer::AudioStreamTransfer()
    : queue_(std::make_unique<SerialQueue>("audio-stream")) {}

AudioStreamTransfer::~AudioStreamTransfer() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        backlog_.clear();
        backlogBytes_ = 0;
        // Wakes a write blocked on a computer that does not read. Under the lock, so the
        // descriptor cannot be closed and reused meanwhile.
        if (const int fd = m_socket.load(); fd >= 0) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    queue_.reset();  // waits for a buffer under way
    CloseSocket();
}

bool AudioStreamTransfer::ConnectServer(const std::string& ip, int port,
                                        std::vector<std::uint8_t> data) {
    if (data.empty()) {
        return m_bConnect.load();
    }
    std::vector<Sent> dropped;
    bool startDrain = false;
    {
        std::lock_guard lock(mutex_);
        if (closing_) {
            return false;
        }
        backlogBytes_ += data.size();
        backlog_.push_back({ip, port, std::move(data), std::chrono::steady_clock::now()});
        // Oldest first; the newest buffer always stays.
        while (backlogBytes_ > kMaxBacklogBytes && backlog_.size() > 1) {
            Pending& old = backlog_.front();
            backlogBytes_ -= old.data.size();
            ++stats_.buffersDropped;
            dropped.push_back({old.data.size(), false, old.queuedAt, {}});
            backlog_.pop_front();
        }
        startDrain = !draining_;
        draining_ = true;
    }
    if (!dropped.empty()) {
        PD_LOG_WARN("audio stream: {} buffer(s) dropped, the computer is not keeping up",
                    dropped.size());
        queue_->async([this, dropped] {
            for (Sent s : dropped) {
                s.doneAt = std::chrono::steady_clock::now();
                report(s);
            }
        });
    }
    if (startDrain) {
        queue_->async([this] { drain(); });
    }
    return m_bConnect.load();
}

void AudioStreamTransfer::drain() {
    for (;;) {
        Pending next;
        {
            std::lock_guard lock(mutex_);
            if (backlog_.empty() || closing_) {
                draining_ = false;
                return;
            }
            next = std::move(backlog_.front());
            backlog_.pop_front();
            backlogBytes_ -= next.data.size();
            inFlightBytes_ = next.data.size();
        }
        const bool written = sendOne(next);
        {
            std::lock_guard lock(mutex_);
            inFlightBytes_ = 0;
            ++(written ? stats_.buffersWritten : stats_.buffersLost);
        }
        report({next.data.size(), written, next.queuedAt, std::chrono::steady_clock::now()});
    }
}

// One buffer: connect first if needed; a failure closes the socket so the next buffer
// starts over with a new connection.
bool AudioStreamTransfer::sendOne(const Pending& p) {
    if (!m_bConnect.load()) {
        if (!InitSocket()) {
            return false;
        }
        SetTimeOut(kTimeoutMs, 0);
        SetTimeOut(kTimeoutMs, 1);
        if (!ConnectHost(p.ip, p.port)) {
            CloseSocket();
            return false;
        }
        m_bConnect.store(true);
        std::lock_guard lock(mutex_);
        ++stats_.connects;
    }
    if (!SendData(p.data)) {
        PD_LOG_WARN("audio stream: write failed ({}); reconnecting with the next buffer",
                    std::strerror(errno));
        CloseSocket();
        return false;
    }
    return true;
}

bool AudioStreamTransfer::InitSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        PD_LOG_WARN("audio stream: no socket: {}", std::strerror(errno));
        return false;
    }
    std::lock_guard lock(mutex_);
    m_socket.store(fd);
    if (closing_) {
        // The destructor may have looked for a socket before this one existed.
        ::shutdown(fd, SHUT_RDWR);
    }
    return true;
}

bool AudioStreamTransfer::SetTimeOut(int milliseconds, int type) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(m_socket.load(), SOL_SOCKET, type == 0 ? SO_RCVTIMEO : SO_SNDTIMEO, &tv,
                        sizeof tv) == 0;
}

bool AudioStreamTransfer::ConnectHost(const std::string& ip, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1) {
        PD_LOG_WARN("audio stream: bad address {}:{}", ip, port);
        return false;
    }
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(m_socket.load(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        PD_LOG_WARN("audio stream: cannot connect to {}:{}: {}", ip, port, std::strerror(errno));
        return false;
    }
    PD_LOG_INFO("audio stream: connected to {}:{}", ip, port);
    return true;
}

bool AudioStreamTransfer::SendData(std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t piece = std::min(kPieceBytes, data.size() - done);
        // MSG_NOSIGNAL: a computer that went away is an error here, never the end of the app.
        const ssize_t n = ::send(m_socket.load(), data.data() + done, piece, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void AudioStreamTransfer::CloseSocket() {
    std::lock_guard lock(mutex_);
    const int fd = m_socket.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
    m_bConnect.store(false);
}

std::int64_t AudioStreamTransfer::queuedDelayMs() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::int64_t>((backlogBytes_ + inFlightBytes_) /
                                     audio::kBytesPerMillisecond);
}

AudioStreamTransfer::Stats AudioStreamTransfer::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void AudioStreamTransfer::setSentObserver(std::function<void(const Sent&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void AudioStreamTransfer::report(const Sent& sent) {
    std::function<void(const Sent&)> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (observer) {
        observer(sent);
    }
}

}  // namespace pd
