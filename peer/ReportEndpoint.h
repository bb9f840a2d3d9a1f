#pragma once
// A local stand-in for the usage report service, so the phone's reports can be seen in tests
// and the demo. One UDP socket plays the dispatcher and both report servers: it answers each
// server-information request from this socket, naming this socket's address and port as the
// server asked for, and prints one JSON line per datagram it receives (ReportDatagrams.h).
// A datagram longer than kMaxReportDatagram is refused unread:
//
//   {"event":"report_ignored","bytes":4000,"reason":"too large"}

#include "ReportDatagrams.h"

#include "UdpService.h"

#include <nlohmann/json.hpp>

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>

namespace pd::peer {

struct ReportEndpointOptions {
    std::string address = "127.0.0.1";  // an IPv4 address; also named in the replies
    std::uint16_t port = 0;             // 0: an ephemeral port, see port()
    // Called on the endpoint's thread; may be empty.
    std::function<void(const nlohmann::ordered_json&)> print;
};

class ReportEndpoint {
  public:
    explicit ReportEndpoint(ReportEndpointOptions options);
    ~ReportEndpoint();
    ReportEndpoint(const ReportEndpoint&) = delete;
    ReportEndpoint& operator=(const ReportEndpoint&) = delete;

    // Binds the socket and starts receiving on a thread of its own. False with error() set
    // when it cannot. Call once.
    [[nodiscard]] bool start();
    const std::string& error() const { return udp_.error(); }
    // Ends the thread promptly; safe to call more than once.
    void stop();

    std::uint16_t port() const { return udp_.port(); }
    // Datagrams received so far, refused ones included.
    std::size_t received() const { return received_.load(); }

  private:
    void serve();
    void take(std::span<const std::uint8_t> datagram, std::size_t length, const sockaddr_in& from);

    ReportEndpointOptions options_;
    std::atomic<std::size_t> received_{0};
    UdpService udp_{"report endpoint"};  // last: its thread ends before the rest goes
};

}  // namespace pd::peer
