#include "GamepadReceiver.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace pd::peer {

nlohmann::ordered_json gamepadEventJson(const GamepadEvent& event) {
    using Kind = GamepadEvent::Kind;
    if (event.kind == Kind::BadSize || event.kind == Kind::BadAction) {
        return {{"event", "gamepad_ignored"}, {"reason", kindName(event.kind)}};
    }
    return {{"event", "gamepad"}, {"key", event.code}, {"action", kindName(event.kind)}};
}

GamepadReceiver::GamepadReceiver(GamepadReceiverOptions options) : options_(std::move(options)) {}

GamepadReceiver::~GamepadReceiver() {
    stop();
}

bool GamepadReceiver::start() {
    return udp_.start(options_.address, options_.port, [this] { serve(); });
}

void GamepadReceiver::stop() {
    udp_.stop();
}

void GamepadReceiver::serve() {
    // One byte more than a key event, so that a longer datagram is seen as longer.
    std::array<std::uint8_t, 3> buffer{};
    for (;;) {
        pollfd fds[2] = {{udp_.socket(), POLLIN, 0}, {udp_.stopFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            PD_LOG_ERROR("gamepad receiver poll failed: {}", std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const ssize_t got = ::recv(udp_.socket(), buffer.data(), buffer.size(), 0);
        if (got < 0) {
            continue;  // EAGAIN after a spurious wake
        }
        received_.fetch_add(1);
        report(keys_.take(std::span(buffer.data(), static_cast<std::size_t>(got))));
    }
}

void GamepadReceiver::report(const GamepadEvent& event) {
    using Kind = GamepadEvent::Kind;
    if (event.kind == Kind::BadSize || event.kind == Kind::BadAction) {
        bool& reported = event.kind == Kind::BadSize ? reportedBadSize_ : reportedBadAction_;
        if (std::exchange(reported, true)) {
            return;
        }
        PD_LOG_WARN("gamepad ignores datagrams with a {} (reported once)", kindName(event.kind));
    } else if (event.kind == Kind::AlreadyUp) {
        PD_LOG_INFO("gamepad key {} up (already up: harmless)", event.code);
    } else {
        PD_LOG_INFO("gamepad key {} {}", event.code, kindName(event.kind));
    }
    if (options_.print) {
        options_.print(gamepadEventJson(event));
    }
}

}  // namespace pd::peer
