#pragma once
// The computer's end of a data channel in tests: a TCP listener on 127.0.0.1 (ephemeral port)
// that takes one connection and reads it to the end when asked.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace pd::test {

class DataListener {
  public:
    // `receiveBuffer` > 0 keeps the kernel's buffer of the connection that small, so a
    // listener that does not read soon stops the sender.
    explicit DataListener(int receiveBuffer = 0);
    ~DataListener();
    DataListener(const DataListener&) = delete;
    DataListener& operator=(const DataListener&) = delete;

    std::uint16_t port() const { return port_; }
    bool accept(std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Everything until the sender closes; nullopt when it does not close within the limit.
    std::optional<std::string> readAll(std::chrono::milliseconds limit = std::chrono::seconds(10));

  private:
    int listenFd_ = -1;
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 where nobody listens (bound and closed again).
std::uint16_t unusedLoopbackPort();

}  // namespace pd::test
