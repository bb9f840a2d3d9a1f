#pragma once
// What the peer makes of the phone's gamepad datagrams: two bytes, key code and action
// (1 down, 2 up, 3 click). It keeps the keys held down, so that a key-up for a key that is not
// held (the phone sends each key-up twice) is seen as the harmless repeat it is.

#include <bitset>
#include <cstdint>
#include <span>
#include <string>

namespace pd::peer {

struct GamepadEvent {
    enum class Kind {
        Down,
        Up,
        AlreadyUp,  // a key-up for a key not held: nothing to do
        Click,
        BadSize,    // not exactly two bytes: ignored
        BadAction,  // an action other than 1, 2 or 3: ignored
    };
    Kind kind;
    std::uint8_t code = 0;

    bool operator==(const GamepadEvent&) const = default;
};

// "down", "up", "already up", "click", "bad size", "bad action".
std::string kindName(GamepadEvent::Kind kind);

class GamepadKeys {
  public:
    GamepadEvent take(std::span<const std::uint8_t> datagram);
    bool held(std::uint8_t code) const { return held_.test(code); }
    std::size_t heldCount() const { return held_.count(); }

  private:
    std::bitset<256> held_;
};

}  // namespace pd::peer
