#pragma once
// The demo's reconnection step: the computer's services stop in the middle of a download and
// start again as they were; the download should finish byte for byte.

#include "DemoSteps.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pd::cli {

// Writes a large file into `disk` (the computer's D: drive), starts `pocketdesk get` of it,
// stops `computer` while the file arrives, and starts it again with `peerArgs` and the ports it
// had, so that the phone finds it where it was. Then waits for the download and compares it.
Reason demoReconnect(const DemoContext& demo, const std::filesystem::path& disk,
                     std::optional<peer::PeerLauncher>& computer,
                     const std::vector<std::string>& peerArgs);

}  // namespace pd::cli
