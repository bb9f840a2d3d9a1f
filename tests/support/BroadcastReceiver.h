#pragma once
// A UDP socket bound to the loopback broadcast address 127.255.255.255 on a free port: it
// receives what is broadcast on the loopback network, and nothing sent to 127.0.0.1.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace pd::test {

class BroadcastReceiver {
  public:
    BroadcastReceiver();
    ~BroadcastReceiver();
    BroadcastReceiver(const BroadcastReceiver&) = delete;
    BroadcastReceiver& operator=(const BroadcastReceiver&) = delete;

    // 0 when no socket could be bound.
    std::uint16_t port() const { return port_; }
    // The next datagram, or nullopt when none came within `limit`.
    std::optional<std::string> receive(
        std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace pd::test
