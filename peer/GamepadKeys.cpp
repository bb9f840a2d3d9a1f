#include "GamepadKeys.h"

namespace pd::peer {

std::string kindName(GamepadEvent::Kind kind) {
    switch (kind) {
        case GamepadEvent::Kind::Down:
            return "down";
        case GamepadEvent::Kind::Up:
            return "up";
        case GamepadEvent::Kind::AlreadyUp:
            return "already up";
        case GamepadEvent::Kind::Click:
            return "click";
        case GamepadEvent::Kind::BadSize:
            return "bad size";
        case GamepadEvent::Kind::BadAction:
            return "bad action";
    }
    return "unknown";
}

GamepadEvent GamepadKeys::take(std::span<const std::uint8_t> datagram) {
    using Kind = GamepadEvent::Kind;
    if (datagram.size() != 2) {
        return {Kind::BadSize};
    }
    const std::uint8_t code = datagram[0];
    switch (datagram[1]) {
        case 1:
            held_.set(code);
            return {Kind::Down, code};
        case 2:
            if (!held_.test(code)) {
                return {Kind::AlreadyUp, code};
            }
            held_.reset(code);
            return {Kind::Up, code};
        case 3:
            return {Kind::Click, code};
        default:
            return {Kind::BadAction, code};
    }
}

}  // namespace pd::peer
