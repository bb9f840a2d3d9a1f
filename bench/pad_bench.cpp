// The gamepad on loopback: the time from a touch on the pad controller's direction pad to its
// datagram arriving at a UDP socket on 127.0.0.1, against a bare sendto() of the same two
// bytes to the same socket in the same run. Touches alternate between the up and down cells,
// so each one sends exactly one key-down through the grid, the key table and the sender.
// Both are timed on one thread with the receive included, interleaved one by one so that
// both see the same machine load.
//
//   pad_bench [--runs N] [--events N]

#include "controllers/GameHandleViewController.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct PadView : pd::GameHandleView {
    pd::PadSize directionPadSize() const override { return {300, 300}; }
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

double median(std::vector<double> v) {
    return percentile(std::move(v), 0.5);
}

struct Run {
    double padMedian, padP99, bareMedian, bareP99;
};

// Waits for the next datagram; false when it is not the expected two bytes.
bool receive(int fd, std::uint8_t code) {
    std::array<std::uint8_t, 4> buffer{};
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    return got == 2 && buffer[0] == code && buffer[1] == 1;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int events = 20000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--events") == 0) {
            events = std::atoi(argv[i + 1]);
        }
    }
    pd::log::setup(spdlog::level::warn);

    const int receiver = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(receiver, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("bind 127.0.0.1");
        return 1;
    }
    const int port = ntohs(address.sin_port);
    const int bare = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);

    const std::filesystem::path defaultsFile =
        std::filesystem::temp_directory_path() / ("pad_bench_" + std::to_string(::getpid()));
    pd::UserDefaults defaults(defaultsFile / "defaults.json");
    auto view = std::make_shared<PadView>();
    pd::GameHandleViewController::Services services{defaults, pd::MainQueue::shared()};
    pd::GameHandleViewController pad(view, services, "127.0.0.1", port);
    pad.viewDidLoad();
    const std::uint8_t upCode = pad.codeFor(pd::GameButton::Up);
    const std::uint8_t downCode = pad.codeFor(pd::GameButton::Down);

    std::vector<Run> results;
    for (int r = 0; r < runs; ++r) {
        std::vector<double> padTimes, bareTimes;
        padTimes.reserve(static_cast<std::size_t>(events));
        bareTimes.reserve(static_cast<std::size_t>(events));
        for (int i = 0; i < events; ++i) {
            const bool up = i % 2 == 0;
            auto t0 = Clock::now();
            pad.directionTouchMoved(up ? 250 : 50, 150);
            if (!receive(receiver, up ? upCode : downCode)) {
                std::fprintf(stderr, "the pad's datagram did not arrive as sent\n");
                return 1;
            }
            auto t1 = Clock::now();
            const std::array<std::uint8_t, 2> datagram = {upCode, 1};
            ::sendto(bare, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&address), sizeof address);
            if (!receive(receiver, upCode)) {
                std::fprintf(stderr, "the bare datagram did not arrive as sent\n");
                return 1;
            }
            auto t2 = Clock::now();
            padTimes.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            bareTimes.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        }
        Run run{median(padTimes), percentile(padTimes, 0.99), median(bareTimes),
                percentile(bareTimes, 0.99)};
        std::printf("run %d: pad median %.2f us p99 %.2f us | bare median %.2f us p99 %.2f us\n",
                    r + 1, run.padMedian, run.padP99, run.bareMedian, run.bareP99);
        results.push_back(run);
    }
    const auto over = [&results](double Run::*field) {
        std::vector<double> v;
        for (const Run& run : results) {
            v.push_back(run.*field);
        }
        return median(v);
    };
    const double padMedian = over(&Run::padMedian), bareMedian = over(&Run::bareMedian);
    std::printf(
        "median of %d runs (%d events each): pad %.2f us (p99 %.2f us), bare %.2f us "
        "(p99 %.2f us), ratio %.2fx\n",
        runs, events, padMedian, over(&Run::padP99), bareMedian, over(&Run::bareP99),
        padMedian / bareMedian);
    pad.directionTouchEnded();  // lift the key before leaving
    ::close(bare);
    ::close(receiver);
    std::filesystem::remove_all(defaultsFile);
    return 0;
}
