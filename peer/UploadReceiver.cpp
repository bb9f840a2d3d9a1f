#include "UploadReceiver.h"
#include "WriteAll.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <fcntl.h>
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

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kMaxNameBytes = 255;

}  // namespace

UploadReceiver::UploadReceiver(UploadReceiverConfig config, std::function<void(std::string)> reply)
    : config_(std::move(config)),
      reply_(std::move(reply)),
      stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

UploadReceiver::~UploadReceiver() {
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
        PD_LOG_WARN("upload receiver: stop signal failed: {}", std::strerror(errno));
    }
    std::list<Receiver> receivers;
    {
        std::lock_guard lock(mutex_);
        receivers.swap(receivers_);
        if (passiveFd_ >= 0) {
            ::close(passiveFd_);
        }
    }
    for (Receiver& r : receivers) {
        r.thread.join();
    }
    ::close(stopFd_);
}

bool UploadReceiver::isAcceptableName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == ".." ||
        name.find("..") != std::string_view::npos) {
        return false;
    }
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint16_t> UploadReceiver::openPassive() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::inet_pton(AF_INET, config_.host.c_str(), &addr.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        PD_LOG_WARN("upload receiver: no listener on {}: {}", config_.host, std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    if (passiveFd_ >= 0) {
        ::close(passiveFd_);  // its item never announced itself
    }
    passiveFd_ = fd;
    return ntohs(addr.sin_port);
}

std::string UploadReceiver::store(std::string_view name) {
    if (!isAcceptableName(name)) {
        PD_LOG_WARN("upload refused: name '{}' is not allowed", name);
        return "553 File name not allowed";
    }
    std::error_code ec;
    fs::create_directories(config_.backupDir, ec);
    if (ec) {
        PD_LOG_WARN("upload refused: backup folder {}: {}", config_.backupDir.string(),
                    ec.message());
        return "451 Backup folder not available";
    }
    std::lock_guard lock(mutex_);
    if (passiveFd_ < 0) {
        return "425 Use PASV first";
    }
    receivers_.remove_if([](Receiver& r) {
        if (!r.done->load()) {
            return false;
        }
        r.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    const int listenFd = std::exchange(passiveFd_, -1);
    receivers_.push_back(
        Receiver{std::thread([this, listenFd, n = std::string(name), serial = ++serial_, done] {
                     receive(listenFd, n, serial);
                     done->store(true);
                 }),
                 done});
    return "150 Opening data connection";
}

bool UploadReceiver::waitReadable(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, static_cast<int>(config_.idleLimit.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
    }
}

void UploadReceiver::receive(int listenFd, std::string name, std::uint64_t serial) {
    const fs::path target = config_.backupDir / name;
    const fs::path partial =
        config_.backupDir / ("." + name + "." + std::to_string(serial) + ".part");
    int dataFd = waitReadable(listenFd) ? ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    ::close(listenFd);
    if (dataFd < 0) {
        PD_LOG_WARN("upload of '{}' failed: the phone did not connect", name);
        return;
    }
    const int out = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::uint64_t total = 0;
    std::string failure = out < 0 ? std::string("cannot write ") + std::strerror(errno) : "";
    std::vector<char> chunk(kReadChunk);
    while (failure.empty()) {
        if (!waitReadable(dataFd)) {
            failure = "stalled or stopped";
            break;
        }
        const ssize_t n = ::recv(dataFd, chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            break;  // the phone closed: the item is complete
        }
        if (n < 0) {
            failure = std::string("receive failed: ") + std::strerror(errno);
        } else if (total + static_cast<std::uint64_t>(n) > config_.maxBytes) {
            failure = "larger than " + std::to_string(config_.maxBytes) + " bytes";
        } else if (!writeAll(out, chunk.data(), static_cast<std::size_t>(n))) {
            failure = std::string("write failed: ") + std::strerror(errno);
        } else {
            total += static_cast<std::uint64_t>(n);
        }
    }
    ::close(dataFd);
    if (out >= 0 && ::close(out) != 0 && failure.empty()) {
        failure = std::string("write failed: ") + std::strerror(errno);
    }
    std::error_code ec;
    if (failure.empty()) {
        fs::rename(partial, target, ec);
        if (ec) {
            failure = "cannot rename into place: " + ec.message();
        }
    }
    if (!failure.empty()) {
        fs::remove(partial, ec);
        PD_LOG_WARN("upload of '{}' failed after {} bytes: {}", name, total, failure);
        return;
    }
    PD_LOG_INFO("upload received: '{}', {} bytes, in {}", name, total, target.string());
    reply_("226 Transfer complete, " + std::to_string(total) + " bytes");
}

}  // namespace pd::peer
