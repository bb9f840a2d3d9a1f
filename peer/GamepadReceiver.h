#pragma once
// The peer's gamepad receiver: a UDP socket whose port the plug "5" acceptance announces. It
// logs each key event and prints it as one JSON line through `print`:
//
//   {"event":"gamepad","key":20,"action":"down"}      action: down, up, already up, click
//   {"event":"gamepad_ignored","reason":"bad size"}   reason: bad size, bad action
//
// A datagram that is not a key event is ignored, and reported only the first time of each
// kind, so a flood of them cannot flood the log.

#include "GamepadKeys.h"

#include "UdpService.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace pd::peer {

struct GamepadReceiverOptions {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;  // 0: an ephemeral port, see port()
    // Called on the receiver's thread; may be empty.
    std::function<void(const nlohmann::ordered_json&)> print;
};

// The JSON line printed for an event.
nlohmann::ordered_json gamepadEventJson(const GamepadEvent& event);

class GamepadReceiver {
  public:
    explicit GamepadReceiver(GamepadReceiverOptions options);
    ~GamepadReceiver();
    GamepadReceiver(const GamepadReceiver&) = delete;
    GamepadReceiver& operator=(const GamepadReceiver&) = delete;

    // Binds the socket and starts receiving on a thread of its own. False with error() set
    // when the socket cannot be bound. Call once.
    [[nodiscard]] bool start();
    const std::string& error() const { return udp_.error(); }
    // Ends the thread promptly; safe to call more than once.
    void stop();

    std::uint16_t port() const { return udp_.port(); }
    // Datagrams taken so far, key events and ignored ones alike.
    std::size_t received() const { return received_.load(); }

  private:
    void serve();
    void report(const GamepadEvent& event);

    GamepadReceiverOptions options_;
    GamepadKeys keys_;  // the receiver thread's only
    bool reportedBadSize_ = false;
    bool reportedBadAction_ = false;
    std::atomic<std::size_t> received_{0};
    UdpService udp_{"gamepad receiver"};  // last: its thread ends before the rest goes
};

}  // namespace pd::peer
