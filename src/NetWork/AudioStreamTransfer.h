#pragma once
// Sends the microphone stream to the computer: the recorded buffers' bytes one after the
// other over one TCP connection, raw, with no header. ConnectServer() only queues a buffer;
// a serial queue of the sender's own connects when needed and writes the buffers one at a
// time, in the order they were queued.
//
// The connection, once made, is kept for the sender's life: stopping and starting the
// microphone again writes on it even if the computer named another port the second time.
// A failed connect or a failed write costs that buffer and closes the socket; the next
// buffer connects again. At most 2 s of audio wait: beyond that the oldest buffers are
// dropped, so a stalled computer costs neither memory nor a growing delay.

#include "platform/SerialQueue.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace pd {

class AudioStreamTransfer {
  public:
    // 2 s of 8 kHz 16-bit mono.
    static constexpr std::size_t kMaxBacklogBytes = 32000;
    static constexpr std::size_t kPieceBytes = 1024;
    static constexpr int kTimeoutMs = 5000;

    // What became of one queued buffer, for whoever watches (the benchmark, tests).
    struct Sent {
        std::size_t bytes = 0;
        bool written = false;  // all of it reached the socket
        std::chrono::steady_clock::time_point queuedAt;
        std::chrono::steady_clock::time_point doneAt;
    };
    struct Stats {
        std::uint64_t buffersWritten = 0;
        std::uint64_t buffersLost = 0;     // connect or write failed
        std::uint64_t buffersDropped = 0;  // pushed out of a full backlog
        std::uint64_t connects = 0;        // connections established
    };

    AudioStreamTransfer();
    // Drops what still waits, ends a write under way and closes the connection.
    ~AudioStreamTransfer();
    AudioStreamTransfer(const AudioStreamTransfer&) = delete;
    AudioStreamTransfer& operator=(const AudioStreamTransfer&) = delete;

    // Queues one buffer for `ip` (dotted IPv4) and `port`; the address is used only when a
    // connection has to be made. Returns whether the sender is connected at the moment.
    bool ConnectServer(const std::string& ip, int port, std::vector<std::uint8_t> data);

    // Audio waiting to be written, in milliseconds (16 bytes a millisecond).
    std::int64_t queuedDelayMs() const;
    bool isConnected() const { return m_bConnect.load(); }
    Stats stats() const;
    // Called on the sender's queue after each buffer is written, lost or dropped.
    void setSentObserver(std::function<void(const Sent&)> observer);

  private:
    struct Pending {
        std::string ip;
        int port = 0;
        std::vector<std::uint8_t> data;
        std::chrono::steady_clock::time_point queuedAt;
    };

    void drain();
    bool sendOne(const Pending& p);
    bool InitSocket();
    bool SetTimeOut(int milliseconds, int type);
    bool ConnectHost(const std::string& ip, int port);
    bool SendData(std::span<const std::uint8_t> data);
    void CloseSocket();
    void report(const Sent& sent);

    std::atomic<int> m_socket{-1};
    std::atomic<bool> m_bConnect{false};

    mutable std::mutex mutex_;
    std::deque<Pending> backlog_;
    std::size_t backlogBytes_ = 0;
    std::size_t inFlightBytes_ = 0;
    bool draining_ = false;
    bool closing_ = false;
    Stats stats_;
    std::function<void(const Sent&)> observer_;

    std::unique_ptr<SerialQueue> queue_;  // reset first by the destructor
};

}  // namespace pd
