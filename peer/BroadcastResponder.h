#pragma once
// The peer's broadcast responder: answers the phone's discovery request with this computer's
// announcement (address, name and tag, control and HTTP ports). It answers senders on
// loopback only, so that it never sends anything onto a real network.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace pd::peer {

struct BroadcastResponderOptions {
    // The broadcast address of the loopback net: the phone's broadcast reaches a socket bound
    // here, while the phone itself binds 127.0.0.1 on the same port.
    std::string bindAddress = "127.255.255.255";
    std::uint16_t port = 6866;                   // 0: an ephemeral port, see port()
    std::string announcedAddress = "127.0.0.1";  // where the phone connects ("IP", "Display-IP")
    std::string name = "pocketdesk-peer";        // shown in the phone's list
    std::string tag;                             // the computer's stable identity
    std::uint16_t controlPort = 0;
    std::uint16_t httpPort = 0;
    std::string support = "TRUE";  // "FALSE " makes the phone leave this computer out
    // Also answer requests sent straight to this address on the same port (a phone that asks
    // one computer instead of broadcasting); empty: broadcasts only. While it is bound, a phone
    // on this host cannot bind it for a broadcast search on the same port.
    std::string unicastAddress = {};
};

// The reply datagram for these options: CR LF terminated header lines.
std::string announcementText(const BroadcastResponderOptions& options);

class BroadcastResponder {
  public:
    explicit BroadcastResponder(BroadcastResponderOptions options);
    // Stops the responder.
    ~BroadcastResponder();
    BroadcastResponder(const BroadcastResponder&) = delete;
    BroadcastResponder& operator=(const BroadcastResponder&) = delete;

    // Checks the announcement, binds the socket and starts answering on a thread of its own.
    // False with error() set when the announcement cannot be sent as it is or the socket
    // cannot be bound (say, the port is taken). Call once.
    [[nodiscard]] bool start();
    const std::string& error() const { return error_; }
    // Ends the thread promptly; safe to call more than once.
    void stop();

    // The bound port (the chosen one when the options asked for 0); 0 before start().
    std::uint16_t port() const { return port_; }
    // Requests answered so far.
    std::size_t answered() const { return answered_.load(); }

  private:
    bool fail(std::string message);
    // Binds a socket to address:port (port 0: any); -1 with error_ set on failure.
    int bindSocket(const std::string& address, std::uint16_t port);
    // Answers one datagram waiting on `socket`.
    void answer(int socket);
    void serve();

    BroadcastResponderOptions options_;
    std::string reply_;
    std::string error_;
    int socket_ = -1;
    int unicastSocket_ = -1;
    int stopFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<std::size_t> answered_{0};
    std::thread thread_;
};

}  // namespace pd::peer
