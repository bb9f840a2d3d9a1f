// CPU of an idle usage report client: started against a dispatcher on 127.0.0.1 that names a
// keep-alive and a statistics server (also on 127.0.0.1), it is left alone for N seconds
// (default 30) after its first keep-alive; prints the process's user+system CPU over them.
//
//     report_idle_bench [SECONDS]

#include "services/OnlineReport.h"

#include <arpa/inet.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

int boundSocket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    port = ntohs(a.sin_port);
    return fd;
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    std::uint16_t dispatcherPort = 0;
    std::uint16_t serverPort = 0;
    const int dispatcher = boundSocket(dispatcherPort);
    const int server = boundSocket(serverPort);

    pd::OnlineReport client(std::make_shared<pd::ReportEdges>(),
                            pd::report::ReportIdentity{"0123456789ABCDEF", "FEDCBA9876543210", 1});
    client.ConnectOnlineServer({"127.0.0.1", dispatcherPort});
    for (int i = 0; i < 2; ++i) {
        std::vector<std::uint8_t> request(64);
        sockaddr_in from{};
        socklen_t n = sizeof from;
        if (::recvfrom(dispatcher, request.data(), request.size(), 0,
                       reinterpret_cast<sockaddr*>(&from), &n) < 15) {
            return 1;
        }
        const std::string address = "127.0.0.1";
        std::vector<std::uint8_t> reply(13, 0);
        reply.insert(reply.end(), {1, request[14], static_cast<std::uint8_t>(serverPort),
                                   static_cast<std::uint8_t>(serverPort >> 8), 0, 0,
                                   static_cast<std::uint8_t>(address.size()), 0});
        reply.insert(reply.end(), address.begin(), address.end());
        ::sendto(dispatcher, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), n);
    }
    std::vector<std::uint8_t> keepAlive(128);
    if (::recv(server, keepAlive.data(), keepAlive.size(), 0) != 73) {
        return 1;
    }
    const double before = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double used = cpuSeconds() - before;
    std::printf("idle usage report client: %.6f s CPU in %d s (%.0f us)\n", used, seconds,
                used * 1e6);
    ::close(dispatcher);
    ::close(server);
    return 0;
}
