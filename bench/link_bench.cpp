// Link figures: a request round trip through the engine against the real peer, a raw TCP
// ping-pong on loopback for comparison, and the CPU an idle connected link uses.
//
//   build-bench/bench/link_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "NetWork/CServerManager.h"
#include "PeerLauncher.h"
#include "SampleDisk.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

using namespace pd;

struct Peer {
    Peer() {
        root = std::filesystem::temp_directory_path() / ("pd-bench-" + std::to_string(::getpid()));
        peer::writeSampleDisk(root);
        auto started = peer::PeerLauncher::start(POCKETDESK_PEER_PATH,
                                                 {"--root", root.string(), "--direct-accept"});
        if (started)
            launcher = std::make_unique<peer::PeerLauncher>(std::move(*started));
    }
    ~Peer() {
        launcher.reset();
        std::filesystem::remove_all(root);
    }
    std::filesystem::path root;
    std::unique_ptr<peer::PeerLauncher> launcher;
};

// A facade whose link runs on its own thread; ask() waits for the answer.
struct Link {
    explicit Link(int port) : mgr(std::make_unique<CServerManager>()) {
        mgr->WaitFileCommandResutBlock([this] { signal(); });
        thread = std::thread([m = mgr.get(), port] { m->ConnectLanServer("127.0.0.1", port, ""); });
        wait();
    }
    ~Link() {
        mgr.reset();
        thread.join();
    }
    void signal() {
        std::lock_guard lock(m);
        ++answers;
        cv.notify_one();
    }
    void wait() {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return answers > seen; });
        seen = answers;
    }
    std::unique_ptr<CServerManager> mgr;
    std::thread thread;
    std::mutex m;
    std::condition_variable cv;
    int answers = 0;
    int seen = 0;
};

void BM_RequestRoundTrip(benchmark::State& state) {
    Peer peer;
    if (!peer.launcher) {
        state.SkipWithError("peer did not start");
        return;
    }
    Link link(peer.launcher->controlPort());
    for (auto _ : state) {
        link.mgr->WaitFileCommandResutBlock([&] { link.signal(); });
        link.mgr->RemoteLockScreen();
        link.wait();
    }
}
BENCHMARK(BM_RequestRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A raw TCP ping-pong of a request-sized message with a server thread.
void BM_RawTcpPingPong(benchmark::State& state) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::thread server([listener] {
        const int fd = ::accept(listener, nullptr, nullptr);
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        char buf[64];
        while (true) {
            const ssize_t n = ::recv(fd, buf, 17, MSG_WAITALL);
            if (n <= 0)
                break;
            ::send(fd, buf, 20, 0);
        }
        ::close(fd);
    });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    char buf[64] = {};
    for (auto _ : state) {
        ::send(fd, buf, 17, 0);
        ::recv(fd, buf, 20, MSG_WAITALL);
    }
    ::close(fd);
    server.join();
    ::close(listener);
}
BENCHMARK(BM_RawTcpPingPong)->UseRealTime()->Unit(benchmark::kMicrosecond);

double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// CPU time of this process while one connected link sits idle for 30 s (heartbeats only).
void BM_IdleLinkCpu(benchmark::State& state) {
    Peer peer;
    if (!peer.launcher) {
        state.SkipWithError("peer did not start");
        return;
    }
    Link link(peer.launcher->controlPort());
    for (auto _ : state) {
        const double before = cpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(30));
        state.counters["cpu_s_per_30s"] = cpuSeconds() - before;
    }
}
BENCHMARK(BM_IdleLinkCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
