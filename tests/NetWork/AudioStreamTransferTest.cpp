// The microphone stream sender against listeners on 127.0.0.1.

#include "NetWork/AudioStreamTransfer.h"
#include "support/ScriptedComputer.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace pd;

namespace {

// Accepts connections on 127.0.0.1 and keeps each one's bytes; can hang up on them.
class Listener {
  public:
    explicit Listener(int port = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        socklen_t len = sizeof a;
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(fd_, 4), 0);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~Listener() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
        for (int c : conns_) {
            ::close(c);
        }
    }
    int port() const { return port_; }
    std::size_t connections() {
        std::lock_guard lock(mutex_);
        return received_.size();
    }
    std::vector<std::uint8_t> bytes(std::size_t connection) {
        std::lock_guard lock(mutex_);
        return connection < received_.size() ? received_[connection] : std::vector<std::uint8_t>{};
    }
    void hangUpAll() {
        std::lock_guard lock(mutex_);
        for (int& c : conns_) {
            ::close(c);
            c = -1;
        }
    }

  private:
    void run() {
        while (!stop_) {
            std::vector<pollfd> fds{{fd_, POLLIN, 0}};
            {
                std::lock_guard lock(mutex_);
                for (int c : conns_) {
                    fds.push_back({c, static_cast<short>(c >= 0 ? POLLIN : 0), 0});
                }
            }
            if (::poll(fds.data(), fds.size(), 20) <= 0) {
                continue;
            }
            std::lock_guard lock(mutex_);
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents != 0 && conns_[i - 1] >= 0) {
                    std::uint8_t buf[4096];
                    const ssize_t n = ::recv(conns_[i - 1], buf, sizeof buf, 0);
                    if (n > 0) {
                        received_[i - 1].insert(received_[i - 1].end(), buf, buf + n);
                    }
                }
            }
            if (fds[0].revents != 0) {
                conns_.push_back(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
                received_.emplace_back();
            }
        }
    }
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<int> conns_;
    std::vector<std::vector<std::uint8_t>> received_;
    std::thread thread_;
};

std::vector<std::uint8_t> buffer(std::uint8_t tag, std::size_t size = 8000) {
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::uint8_t>(tag + i % 7);
    }
    return b;
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) {
            ++n;
        }
        ::closedir(d);
    }
    return n;
}

bool settled(const AudioStreamTransfer& t, std::uint64_t buffers) {
    const auto s = t.stats();
    return s.buffersWritten + s.buffersLost + s.buffersDropped >= buffers;
}

}  // namespace

TEST(AudioStreamTransfer, BuffersArriveInOrderOnOneConnectionThatOutlivesAStopAndAnotherPort) {
    Listener first;
    Listener second;
    AudioStreamTransfer sender;
    const auto a = buffer(1), b = buffer(2), c = buffer(3, 1500);
    sender.ConnectServer("127.0.0.1", first.port(), a);
    sender.ConnectServer("127.0.0.1", first.port(), b);
    ASSERT_TRUE(waitFor([&] { return settled(sender, 2); }));
    // The microphone stopped and started again; the computer named another port this time.
    sender.ConnectServer("127.0.0.1", second.port(), c);
    ASSERT_TRUE(waitFor([&] { return first.bytes(0).size() == 17500; }));
    EXPECT_EQ(first.bytes(0), joined({a, b, c}));
    EXPECT_EQ(first.connections(), 1u);
    EXPECT_EQ(second.connections(), 0u);
    EXPECT_TRUE(sender.isConnected());
    EXPECT_EQ(sender.stats().connects, 1u);
    EXPECT_EQ(sender.queuedDelayMs(), 0);
}

TEST(AudioStreamTransfer, ABacklogBeyondTwoSecondsDropsTheOldestBuffers) {
    // Declared before the sender: its queue may still report while the sender is destroyed.
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    bool holding = false;
    Listener listener;
    AudioStreamTransfer sender;
    // Hold the sender's queue in its first report, so later buffers pile up behind it.
    sender.setSentObserver([&](const AudioStreamTransfer::Sent&) {
        std::unique_lock lock(mutex);
        holding = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    });
    sender.ConnectServer("127.0.0.1", listener.port(), buffer(0));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return holding; }));
    }
    for (std::uint8_t tag = 1; tag <= 6; ++tag) {
        sender.ConnectServer("127.0.0.1", listener.port(), buffer(tag));
    }
    EXPECT_EQ(sender.queuedDelayMs(), 2000) << "4 buffers of 0.5 s wait, 2 were dropped";
    EXPECT_EQ(sender.stats().buffersDropped, 2u);
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(waitFor([&] { return listener.bytes(0).size() == 5 * 8000; }));
    EXPECT_EQ(listener.bytes(0), joined({buffer(0), buffer(3), buffer(4), buffer(5), buffer(6)}));
}

TEST(AudioStreamTransfer, ARefusedConnectClosesItsSocketAndTheNextBufferTriesAgain) {
    const int port = test::ScriptedComputer::deadPort();
    AudioStreamTransfer sender;
    sender.ConnectServer("127.0.0.1", port, buffer(1));
    ASSERT_TRUE(waitFor([&] { return settled(sender, 1); }));
    const int descriptors = openDescriptors();
    for (std::uint8_t tag = 2; tag <= 6; ++tag) {
        sender.ConnectServer("127.0.0.1", port, buffer(tag, 1000));
    }
    ASSERT_TRUE(waitFor([&] { return settled(sender, 6); }));
    EXPECT_EQ(sender.stats().buffersLost, 6u);
    EXPECT_EQ(openDescriptors(), descriptors) << "no socket left open per failed attempt";
    EXPECT_FALSE(sender.isConnected());

    Listener late(port);  // the computer's receiver comes up on that port
    sender.ConnectServer("127.0.0.1", port, buffer(7));
    ASSERT_TRUE(waitFor([&] { return late.bytes(0).size() == 8000; }));
    EXPECT_EQ(late.bytes(0), buffer(7));
}

TEST(AudioStreamTransfer, AComputerThatHungUpCostsBuffersNotTheProcessAndIsReconnected) {
    Listener listener;
    AudioStreamTransfer sender;
    sender.ConnectServer("127.0.0.1", listener.port(), buffer(1));
    ASSERT_TRUE(waitFor([&] { return listener.bytes(0).size() == 8000; }));
    listener.hangUpAll();
    // The first writes after the hang-up may still be accepted by the kernel; keep going
    // until the sender notices, reconnects and the listener sees a second connection.
    std::uint8_t tag = 2;
    ASSERT_TRUE(waitFor([&] {
        sender.ConnectServer("127.0.0.1", listener.port(), buffer(tag++));
        waitFor([&] { return settled(sender, tag - 1u); }, std::chrono::seconds(2));
        return listener.connections() == 2 && !listener.bytes(1).empty();
    }));
    EXPECT_GE(sender.stats().buffersLost, 1u);
    EXPECT_EQ(sender.stats().connects, 2u);
    const auto second = listener.bytes(1);
    ASSERT_EQ(second.size() % 8000, 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(second.end() - 8000, second.end()), buffer(tag - 1));
}
