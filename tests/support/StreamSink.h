#pragma once
// A data-channel receiver on 127.0.0.1: accepts one connection on its own thread and reads it
// to the end, keeping only a count, a running CRC-32 and (optionally) the first bytes.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace pd::test {

class StreamSink {
  public:
    explicit StreamSink(std::size_t keepBytes = 0);
    ~StreamSink();
    StreamSink(const StreamSink&) = delete;
    StreamSink& operator=(const StreamSink&) = delete;

    int port() const { return port_; }
    // Waits until the sender closed (or the limit passed); true when it did.
    bool waitClosed(int seconds = 60);

    std::uint64_t received() const { return received_.load(); }
    std::uint32_t crc() const { return crc_; }
    const std::string& kept() const { return kept_; }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::size_t keepBytes_;
    std::atomic<std::uint64_t> received_{0};
    std::atomic<bool> closed_{false};
    std::uint32_t crc_ = 0;
    std::string kept_;
    std::thread thread_;
};

// CRC-32 of a file, read in bounded pieces.
std::uint32_t fileCrc(const std::string& path);

}  // namespace pd::test
