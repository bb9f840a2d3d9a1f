#include "ControlServer.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace pd::peer {

std::unique_ptr<ControlServer> ControlServer::start(const std::string& address, std::uint16_t port,
                                                    const SessionConfig& config) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        PD_LOG_ERROR("'{}' is not an IPv4 address", address);
        return nullptr;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        PD_LOG_ERROR("cannot create the control socket: {}", std::strerror(errno));
        return nullptr;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        PD_LOG_ERROR("cannot listen on {}:{}: {}", address, port, std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd < 0) {
        PD_LOG_ERROR("cannot create the stop event: {}", std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<ControlServer> server(
        new ControlServer(fd, stopFd, ntohs(addr.sin_port), config));
    try {
        server->acceptThread_ = std::thread([s = server.get()] { s->acceptLoop(); });
    } catch (const std::system_error& e) {
        PD_LOG_ERROR("cannot start the accept thread: {}", e.what());
        return nullptr;
    }
    return server;
}

ControlServer::ControlServer(int listenFd, int stopFd, std::uint16_t port,
                             const SessionConfig& config)
    : listenFd_(listenFd), stopFd_(stopFd), port_(port), config_(config) {}

ControlServer::~ControlServer() {
    stop();
    ::close(listenFd_);
    ::close(stopFd_);
}

void ControlServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) {
            return;
        }
        stopped_ = true;
    }
    // Never read back: the event stays readable, so every loop that polls it sees it.
    std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) {
        PD_LOG_ERROR("cannot signal the stop event: {}", std::strerror(errno));
    }
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    std::list<Link> links;
    {
        std::lock_guard lock(mutex_);
        links.swap(links_);
    }
    for (Link& l : links) {
        l.thread.join();
    }
}

void ControlServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (fds[1].revents & POLLIN) != 0) {
            return;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                PD_LOG_WARN("accept failed: {}", std::strerror(errno));
            }
            continue;
        }
        // Replies are small and often follow each other ("226" then "227"): without this the
        // second waits for the phone's delayed acknowledgement of the first.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        accepted(fd);
    }
}

void ControlServer::reapFinished() {
    for (auto it = links_.begin(); it != links_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = links_.erase(it);
        } else {
            ++it;
        }
    }
}

void ControlServer::accepted(int fd) {
    std::lock_guard lock(mutex_);
    reapFinished();
    if (links_.size() >= kMaxLinks) {
        PD_LOG_WARN("already {} links; refusing another", kMaxLinks);
        ::close(fd);
        return;
    }
    int id = nextLinkId_++;
    PD_LOG_INFO("link {}: accepted", id);
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto session = std::make_shared<ControlSession>(fd, id, config_);
    std::thread t;
    try {
        t = std::thread([session, done, stopFd = stopFd_, id] {
            session->run(stopFd);
            PD_LOG_INFO("link {}: ended", id);
            done->store(true);
        });
    } catch (const std::system_error& e) {
        PD_LOG_ERROR("link {}: no thread for it ({}); closing", id, e.what());
        return;  // the session closes the socket
    }
    links_.push_back({std::move(t), std::move(done)});
}

}  // namespace pd::peer
