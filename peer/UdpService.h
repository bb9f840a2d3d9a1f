#pragma once
// A UDP socket bound on an IPv4 address and served by a thread of its own until stopped: what
// the peer's gamepad receiver and its report endpoint share. The serving function waits on the
// socket and on stopFd(), and returns once stopFd() is readable.

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace pd::peer {

class UdpService {
  public:
    // `name` says in the log which service this is.
    explicit UdpService(std::string name) : name_(std::move(name)) {}
    // Stops the thread, then closes the socket.
    ~UdpService();
    UdpService(const UdpService&) = delete;
    UdpService& operator=(const UdpService&) = delete;

    // Binds `address`:`port` (0: an ephemeral port) and runs `serve` on the thread. False with
    // error() set when the socket cannot be bound. Call once.
    [[nodiscard]] bool start(const std::string& address, std::uint16_t port,
                             std::function<void()> serve);
    // Ends the thread promptly; safe to call more than once.
    void stop();

    int socket() const { return socket_; }
    int stopFd() const { return stopFd_; }
    std::uint16_t port() const { return port_; }
    const std::string& error() const { return error_; }

  private:
    bool fail(std::string message);

    std::string name_;
    std::string error_;
    int socket_ = -1;
    int stopFd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

}  // namespace pd::peer
