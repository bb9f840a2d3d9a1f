#include "controllers/GamepadSender.h"

#include "platform/DispatchQueue.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace pd {

struct GamepadSender::State {
    State(std::string i, std::int32_t p, std::shared_ptr<DatagramSockets> sockets)
        : ip(std::move(i)), port(p), transfer(std::move(sockets)) {}

    void sendNow(std::uint8_t code, KeyAction action) {
        const std::array<std::uint8_t, 2> datagram = {code, static_cast<std::uint8_t>(action)};
        transfer.ConnectServer(ip, port, datagram);
    }
    // Sends the waiting repeat of `code`, if one still waits.
    void repeat(std::uint8_t code) {
        auto it = std::find(pendingUps.begin(), pendingUps.end(), code);
        if (closed || it == pendingUps.end()) {
            return;
        }
        pendingUps.erase(it);
        sendNow(code, KeyAction::Up);
    }

    std::string ip;
    std::int32_t port;
    GameHandleTransfer transfer;
    std::vector<std::uint8_t> pendingUps;  // key-ups sent once whose repeat is still due
    bool closed = false;
};

GamepadSender::GamepadSender(std::string ip, std::int32_t port,
                             std::shared_ptr<DatagramSockets> sockets, DispatchQueue& queue,
                             std::chrono::milliseconds repeatDelay)
    : state_(std::make_shared<State>(std::move(ip), port, std::move(sockets))),
      queue_(queue),
      repeatDelay_(repeatDelay) {}

GamepadSender::~GamepadSender() {
    close();
}

void GamepadSender::send(std::uint8_t code, KeyAction action) {
    State& s = *state_;
    if (s.closed) {
        return;
    }
    if (action == KeyAction::Down) {
        std::erase(s.pendingUps, code);
    }
    s.sendNow(code, action);
    if (action == KeyAction::Up) {
        s.pendingUps.push_back(code);
        // The task keeps the state (and its socket) alive until it has run.
        queue_.after(repeatDelay_, [state = state_, code] { state->repeat(code); });
    }
}

void GamepadSender::close() {
    State& s = *state_;
    if (s.closed) {
        return;
    }
    for (std::uint8_t code : std::exchange(s.pendingUps, {})) {
        s.sendNow(code, KeyAction::Up);
    }
    s.closed = true;
    s.transfer.CloseSocket();
}

bool GamepadSender::closed() const {
    return state_->closed;
}

bool GamepadSender::socketOpen() const {
    return state_->transfer.socket() >= 0;
}

}  // namespace pd
