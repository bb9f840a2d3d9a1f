// Memory of the phone under a flood: a computer accepts the link, then sends nothing but
// 15-byte frames of a code the phone does not know, as fast as the phone takes them. Prints the
// bytes sent and the process's peak resident memory before and after. The flooding computer
// lives in this process too; it holds one 1 MiB buffer.
//
//   build/bench/link_flood [seconds, default 30]

#include "NetWork/CServerManager.h"
#include "codec/LinkFrame.h"
#include "codec/MsgPack.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

// A line of /proc/self/status in KiB, e.g. "VmHWM".
long statusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::atol(line.c_str() + field.size() + 1);
        }
    }
    return -1;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), len) < 0 ||
        ::listen(listener, 1) < 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) < 0) {
        std::perror("listen");
        return 1;
    }
    auto mgr = std::make_unique<pd::CServerManager>();
    std::atomic<int> linkState{-1};
    mgr->CNetClassMgrBlock([&](int s) { linkState.store(s); });
    std::thread link([m = mgr.get(), port = ntohs(addr.sin_port)] {
        m->ConnectLanServer("127.0.0.1", port, "");
    });
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    // Whatever the phone sends (hello, heartbeats) is read and thrown away.
    std::thread drain([fd] {
        char buf[4096];
        while (::recv(fd, buf, sizeof buf, 0) > 0) {
        }
    });
    pd::msg::Packer accept;
    accept.array(3).integer(255).integer(0).raw("TICKET");
    sendAll(fd, pd::link::encodeMessageFrame(1039, accept.bytes()));
    while (!mgr->IsAuthSucess()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const long before = statusKiB("VmHWM");

    const std::string frame = pd::link::encodeMessageFrame(999, "");
    std::string chunk;
    while (chunk.size() + frame.size() <= (1u << 20)) {
        chunk += frame;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    std::uint64_t sent = 0;
    while (std::chrono::steady_clock::now() < end && sendAll(fd, chunk)) {
        sent += chunk.size();
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = statusKiB("VmHWM");
    std::printf("frame %zu bytes; sent %.1f MiB (%.1f M frames) in %.1f s (%.0f MiB/s)\n",
                frame.size(), sent / 1048576.0, sent / double(frame.size()) / 1e6, took,
                sent / 1048576.0 / took);
    std::printf("peak resident: %.1f MiB before the flood, %.1f MiB after; link state %d\n",
                before / 1024.0, after / 1024.0, linkState.load());
    mgr.reset();
    ::shutdown(fd, SHUT_RDWR);
    link.join();
    drain.join();
    ::close(fd);
    ::close(listener);
    return 0;
}
