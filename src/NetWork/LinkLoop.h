#pragma once
// The link loop: connects, sends the outbox and heartbeats, reads frames and dispatches them,
// until the link ends or its owner stops it. Runs on the link thread and touches only the
// shared LinkState, which it keeps alive while it runs.

#include <chrono>
#include <memory>
#include <string>

namespace pd {

class LinkState;

namespace link {

// Opens a non-blocking TCP socket towards host:port and stores it in the state. A connection
// that fails at once (or an unusable address) is remembered and reported by the loop like any
// failed connection. False when the engine already has a socket or none can be created.
bool openSocket(LinkState& state, const std::string& host, int port);

// Waits of links started from now on; tests shorten them.
struct LinkTimings {
    std::chrono::milliseconds heartbeat{5000};     // period of the heartbeat
    std::chrono::milliseconds connectWait{10000};  // a connection not made by then has failed
    std::chrono::milliseconds sendStall{30000};    // a send without progress for this long ends
};
void setLinkTimings(const LinkTimings& timings);
LinkTimings linkTimings();

// Runs until the link ends; closes the socket before returning.
void runLinkLoop(const std::shared_ptr<LinkState>& state);

}  // namespace link
}  // namespace pd
