#pragma once
// The pad screen's datagrams: (key code, action) pairs to the computer's gamepad port. The
// datagrams carry no sequence number and UDP may lose one, and a lost key-up leaves a key held
// on the computer, so every key-up goes out twice: at once and again a few milliseconds later
// from the queue. A key-down of the same code cancels a repeat still waiting, so a late
// repeat never lifts a key that was pressed again.
//
// Main queue only.

#include "NetWork/GameHandleTransfer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace pd {

class DispatchQueue;

enum class KeyAction : std::uint8_t { Down = 1, Up = 2, Click = 3 };

class GamepadSender {
  public:
    GamepadSender(std::string ip, std::int32_t port, std::shared_ptr<DatagramSockets> sockets,
                  DispatchQueue& queue, std::chrono::milliseconds repeatDelay);
    // Sends the repeats still waiting and closes the socket.
    ~GamepadSender();
    GamepadSender(const GamepadSender&) = delete;
    GamepadSender& operator=(const GamepadSender&) = delete;

    void send(std::uint8_t code, KeyAction action);
    // Sends the repeats still waiting at once, then closes the socket; nothing is sent after.
    void close();

    bool closed() const;
    bool socketOpen() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
    DispatchQueue& queue_;
    std::chrono::milliseconds repeatDelay_;
};

}  // namespace pd
