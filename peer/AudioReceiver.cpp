#include "AudioReceiver.h"
#include "WavWriter.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace pd::peer {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxConnections = 8;
constexpr std::size_t kReadChunk = 16 * 1024;

struct Connection {
    int fd = -1;
    std::uint64_t number = 0;
    fs::path file;
    std::unique_ptr<WavWriter> wav;
    std::chrono::steady_clock::time_point lastProgress;
};

}  // namespace

std::unique_ptr<AudioReceiver> AudioReceiver::start(AudioReceiverConfig config) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(config.port);
    socklen_t len = sizeof addr;
    const int one = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::inet_pton(AF_INET, config.address.c_str(), &addr.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        PD_LOG_ERROR("audio receiver: cannot listen on {}:{}: {}", config.address, config.port,
                     std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<AudioReceiver> r(
        new AudioReceiver(std::move(config), fd, stopFd, ntohs(addr.sin_port)));
    r->thread_ = std::thread([raw = r.get()] { raw->run(); });
    return r;
}

AudioReceiver::AudioReceiver(AudioReceiverConfig config, int listenFd, int stopFd,
                             std::uint16_t port)
    : config_(std::move(config)), listenFd_(listenFd), stopFd_(stopFd), port_(port) {}

AudioReceiver::~AudioReceiver() {
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
        PD_LOG_WARN("audio receiver: stop signal failed: {}", std::strerror(errno));
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(listenFd_);
    ::close(stopFd_);
}

void AudioReceiver::run() {
    std::vector<Connection> conns;
    std::uint64_t serial = 0;

    auto finish = [&](Connection& c, const char* why) {
        ::close(c.fd);
        const std::uint64_t bytes = c.wav ? c.wav->bytes() : 0;
        c.wav.reset();  // closes the file, fixing up the header
        if (why) {
            PD_LOG_WARN("audio connection {}: {}", c.number, why);
        }
        PD_LOG_INFO("audio connection {}: {} bytes -> {}", c.number, bytes, c.file.string());
        if (config_.finished) {
            config_.finished(c.number, bytes, c.file);
        }
    };

    auto accept = [&] {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (conns.size() >= kMaxConnections) {
            PD_LOG_WARN("audio receiver: {} connections already; refusing another",
                        kMaxConnections);
            ::close(fd);
            return;
        }
        Connection c;
        c.fd = fd;
        c.number = ++serial;
        c.file = config_.audioDir / ("audio-" + std::to_string(c.number) + ".wav");
        c.lastProgress = std::chrono::steady_clock::now();
        std::error_code ec;
        fs::create_directories(config_.audioDir, ec);
        c.wav = WavWriter::create(c.file);
        if (!c.wav) {
            PD_LOG_WARN("audio connection {}: cannot write {}", c.number, c.file.string());
            ::close(fd);
            return;
        }
        PD_LOG_INFO("audio connection {}: receiving into {}", c.number, c.file.string());
        conns.push_back(std::move(c));
    };

    std::vector<std::uint8_t> chunk(kReadChunk);
    // Reads what one connection has; false when it has ended.
    auto receive = [&](Connection& c) {
        const ssize_t n = ::recv(c.fd, chunk.data(), chunk.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return true;
        }
        if (n <= 0) {
            finish(c, n < 0 ? std::strerror(errno) : nullptr);
            return false;
        }
        auto bytes = std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(n));
        const std::uint64_t room = config_.maxBytes - std::min(config_.maxBytes, c.wav->bytes());
        const bool overLimit = bytes.size() > room;
        if (overLimit) {
            bytes = bytes.first(static_cast<std::size_t>(room));
        }
        if (!c.wav->write(bytes)) {
            finish(c, "the disk refused the samples");
            return false;
        }
        if (overLimit) {
            finish(c, "size limit reached; closing");
            return false;
        }
        return true;
    };

    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({stopFd_, POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (const Connection& c : conns) {
            fds.push_back({c.fd, POLLIN, 0});
        }
        const int waitMs = static_cast<int>(config_.progressEvery.count());
        const int ready = ::poll(fds.data(), fds.size(), conns.empty() ? -1 : waitMs);
        if (ready < 0 && errno != EINTR) {
            PD_LOG_ERROR("audio receiver: poll failed: {}", std::strerror(errno));
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        std::vector<Connection> alive;
        for (std::size_t i = 0; i < conns.size(); ++i) {
            Connection& c = conns[i];
            if (ready > 0 && fds[i + 2].revents != 0 && !receive(c)) {
                continue;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now - c.lastProgress >= config_.progressEvery) {
                c.lastProgress = now;
                c.wav->flush();
                PD_LOG_INFO("audio connection {}: {} bytes so far -> {}", c.number, c.wav->bytes(),
                            c.file.string());
            }
            alive.push_back(std::move(c));
        }
        conns = std::move(alive);
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            accept();
        }
    }
    for (Connection& c : conns) {
        finish(c, "the receiver stopped");
    }
}

}  // namespace pd::peer
