#pragma once
// A hotspot roster that changes over time, read from a small text file so that the phone's
// hotspot screen can be shown devices joining, leaving and changing speed:
//
//     # comment
//     AT 0
//     This phone|02:00:00:00:00:02|12.5|2
//     Study laptop|02:00:00:00:00:03|240.0|0
//     AT 30
//     This phone|02:00:00:00:00:02|0.0|2
//
// "AT SECONDS" starts a state (seconds after the link was opened, strictly increasing); each
// following line MODEL|MAC|SPEED|CONNTYPE is one device of that state (CONNTYPE 0 ordinary,
// 1 blocked, 2 the phone itself). The roster at time t is the last state whose time is <= t;
// after the last state it is held, and before the first one the roster is empty.

#include "HotspotRoster.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pd::peer {

inline constexpr std::size_t kMaxScriptDevices = 64;         // per state
inline constexpr std::size_t kMaxScriptFieldBytes = 256;     // per field of a device line
inline constexpr std::size_t kMaxScriptStates = 10000;       // per file
inline constexpr std::uintmax_t kMaxScriptBytes = 1u << 20;  // the whole file

class HotspotScript {
  public:
    struct State {
        std::int64_t at = 0;
        std::vector<HotspotClient> devices;
    };
    // Why a file was refused; line is 0 when the file as a whole is at fault.
    struct Error {
        std::size_t line = 0;
        std::string message;
    };

    static std::variant<HotspotScript, Error> parse(std::string_view text);
    static std::variant<HotspotScript, Error> load(const std::filesystem::path& file);

    // The devices secondsUp seconds after the link was opened; connTime counts from then.
    std::vector<HotspotClient> snapshot(std::int64_t secondsUp) const;
    const std::vector<State>& states() const { return states_; }

  private:
    std::vector<State> states_;
};

}  // namespace pd::peer
