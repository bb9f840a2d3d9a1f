#pragma once
// The plug messages the remote control panel sends: a plug id (also the target) and a compact
// JSON object of string members, built by the JSON library so every value is escaped.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pd {

struct PlugMessage {
    std::string plugId;   // "1" volume, "3" music, "4" slides, "5" gamepad, "6" microphone
    std::string content;  // e.g. {"c":"5"}

    bool operator==(const PlugMessage&) const = default;
};

// {"c":command} or, with `data`, {"c":command,"d":data}; nullopt if a text is not valid UTF-8
// (such an object would not be valid JSON, so nothing is sent).
std::optional<PlugMessage> makePlugMessage(std::string plugId, const std::string& command,
                                           const std::optional<std::string>& data = std::nullopt);

// A computer path as the computer's own programs want it: every "/" becomes one backslash.
std::string computerPath(std::string path);

}  // namespace pd
