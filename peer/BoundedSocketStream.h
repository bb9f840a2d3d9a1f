#pragma once
// The byte stream of one HTTP connection, in httplib's Stream shape. It reads through a small
// buffer (httplib's line reader takes one byte at a time), every wait has a time limit, and
// each request may read at most a budget of bytes: a client sending an endless request line
// or endless headers is cut off at the budget instead of growing our memory.

#include <httplib.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <string>

namespace pd::peer {

class BoundedSocketStream final : public httplib::Stream {
  public:
    // Does not own the socket.
    BoundedSocketStream(int fd, std::chrono::microseconds readTimeout,
                        std::chrono::microseconds writeTimeout);

    // Starts a new request: it may read `budget` more bytes.
    void startRequest(std::size_t budget);
    bool budgetExceeded() const { return exceeded_; }
    bool hasBufferedInput() const { return begin_ < end_; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return fd_; }

  private:
    bool waitFor(short events, std::chrono::microseconds limit) const;

    int fd_;
    std::chrono::microseconds readTimeout_;
    std::chrono::microseconds writeTimeout_;
    std::size_t budget_ = 0;
    bool exceeded_ = false;
    std::array<char, 4096> buffer_{};
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace pd::peer
