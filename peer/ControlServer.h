#pragma once
// The control service: listens on one TCP port and runs each accepted link as a
// ControlSession on its own thread. stop() (or destruction) wakes every loop through one
// eventfd, then joins the accept thread and every link thread.

#include "ControlSession.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace pd::peer {

inline constexpr std::size_t kMaxLinks = 32;

class ControlServer {
  public:
    // Binds and listens (port 0: an ephemeral one); nullptr with a logged error on failure.
    static std::unique_ptr<ControlServer> start(const std::string& address, std::uint16_t port,
                                                const SessionConfig& config);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::uint16_t port() const { return port_; }
    void stop();

  private:
    struct Link {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    ControlServer(int listenFd, int stopFd, std::uint16_t port, const SessionConfig& config);
    void acceptLoop();
    void accepted(int fd);
    void reapFinished();

    int listenFd_;
    int stopFd_;
    std::uint16_t port_;
    SessionConfig config_;
    std::thread acceptThread_;
    std::mutex mutex_;
    std::list<Link> links_;
    int nextLinkId_ = 1;
    bool stopped_ = false;
};

}  // namespace pd::peer
