#pragma once
// What every step of the demo's tour shares: the phone's home, how a command is run as the user
// would type it, and how a step says how it went.

#include "Output.h"
#include "PeerLauncher.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd::cli {

// How a step went: empty when it went well, else why not in a few words.
using Reason = std::string;

struct DemoContext {
    const Output& out;
    std::filesystem::path work;  // the tour's temporary folder
    std::string home;            // the phone's home, shared by every command
    std::filesystem::path peerProgram;
    bool verbose = false;
    std::string address;  // the computer as HOST:PORT:HTTPPORT, once it is known

    // `args` with the options every command of the tour gets (--home, and -v when verbose).
    std::vector<std::string> with(std::vector<std::string> args) const;
};

// Runs `pocketdesk ARGS` (with the shared options) and waits for it; empty when it exited 0.
Reason runCommand(const DemoContext& demo, std::vector<std::string> args);
// The same against the tour's computer (--pc ADDRESS).
Reason runOnComputer(const DemoContext& demo, std::vector<std::string> args);
// The reason for a command that ended with `status` (as waitSelf gives it).
Reason commandFailed(const std::vector<std::string>& args, int status);

// The next event of `kind` the peer prints within `limit`, skipping the others.
std::optional<nlohmann::json> waitForEvent(peer::PeerLauncher& computer, std::string_view kind,
                                           std::chrono::milliseconds limit);
// The events the peer printed since the last look, until it stays quiet for `quiet`.
std::vector<nlohmann::json> eventsUntilQuiet(peer::PeerLauncher& computer,
                                             std::chrono::milliseconds quiet);

}  // namespace pd::cli
