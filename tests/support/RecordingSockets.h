#pragma once
// Stand-ins for the gamepad's edges: datagram sockets that record what would be sent, and a
// queue whose delayed tasks run only when the test says so.

#include "NetWork/GameHandleTransfer.h"
#include "platform/DispatchQueue.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pd::test {

struct RecordingSockets : DatagramSockets {
    struct Sent {
        int fd;
        std::vector<std::uint8_t> bytes;
        std::uint32_t address;
        std::uint16_t port;
    };
    int opens = 0;
    int failOpens = 0;  // this many open() calls fail first
    bool failClose = false;
    std::vector<int> closed;
    std::vector<std::pair<int, int>> timeouts;  // (milliseconds, type)
    std::vector<Sent> sent;

    int open() override {
        if (failOpens > 0) {
            --failOpens;
            return -1;
        }
        return 100 + opens++;
    }
    bool setTimeout(int, int milliseconds, int type) override {
        timeouts.emplace_back(milliseconds, type);
        return true;
    }
    bool sendTo(int fd, std::span<const std::uint8_t> data, std::uint32_t address,
                std::uint16_t port) override {
        sent.push_back({fd, {data.begin(), data.end()}, address, port});
        return true;
    }
    bool close(int fd) override {
        closed.push_back(fd);
        return !failClose;
    }
    // The datagrams so far as "code,action" texts.
    std::vector<std::string> events() const {
        std::vector<std::string> out;
        for (const Sent& s : sent) {
            std::string e;
            for (std::uint8_t b : s.bytes) {
                e += (e.empty() ? "" : ",") + std::to_string(b);
            }
            out.push_back(e);
        }
        return out;
    }
};

// Runs posted tasks at once; keeps delayed ones until runDelayed().
struct ManualQueue : DispatchQueue {
    std::vector<std::pair<std::chrono::milliseconds, Task>> delayed;
    void async(Task t) override { t(); }
    void after(std::chrono::milliseconds d, Task t) override {
        delayed.emplace_back(d, std::move(t));
    }
    const std::string& label() const override { return label_; }
    void runDelayed() {
        auto tasks = std::exchange(delayed, {});
        for (auto& [d, t] : tasks) {
            t();
        }
    }
    std::string label_ = "manual";
};

}  // namespace pd::test
