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

// Opens a non-blocking TCP socket towards host:port and stores it in the state.
// False when the engine already has a socket or none can be created.
bool openSocket(LinkState& state, const std::string& host, int port);

// Heartbeat period of links started from now on (5 s; tests shorten it).
void setHeartbeatInterval(std::chrono::milliseconds interval);

// Runs until the link ends; closes the socket before returning.
void runLinkLoop(const std::shared_ptr<LinkState>& state);

}  // namespace link
}  // namespace pd
