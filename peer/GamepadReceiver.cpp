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
    if (socket_ >= 0) {
        ::close(socket_);
    }
    if (stopFd_ >= 0) {
        ::close(stopFd_);
    }
}

bool GamepadReceiver::fail(std::string message) {
    PD_LOG_ERROR("gamepad receiver: {}", message);
    error_ = std::move(message);
    return false;
}

bool GamepadReceiver::start() {
    if (socket_ >= 0) {
        return fail("already started");
    }
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(options_.port);
    if (::inet_pton(AF_INET, options_.address.c_str(), &bound.sin_addr) != 1) {
        return fail("'" + options_.address + "' is not an IPv4 address");
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (stopFd_ < 0 || socket_ < 0) {
        return fail(std::string("cannot create the socket: ") + std::strerror(errno));
    }
    socklen_t length = sizeof bound;
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return fail("cannot bind " + options_.address + ":" + std::to_string(options_.port) + ": " +
                    std::strerror(errno));
    }
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { serve(); });
    PD_LOG_INFO("gamepad receiver on {}:{}", options_.address, port_);
    return true;
}

void GamepadReceiver::stop() {
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) {
        PD_LOG_ERROR("cannot stop the gamepad receiver: {}", std::strerror(errno));
        return;
    }
    thread_.join();
}

void GamepadReceiver::serve() {
    // One byte more than a key event, so that a longer datagram is seen as longer.
    std::array<std::uint8_t, 3> buffer{};
    for (;;) {
        pollfd fds[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
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
        const ssize_t got = ::recv(socket_, buffer.data(), buffer.size(), 0);
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
