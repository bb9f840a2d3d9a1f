#pragma once
// The demo's gamepad and microphone step, kept apart from the rest of the tour.

#include "Output.h"
#include "PeerLauncher.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pd::cli {

// Presses a few pad buttons and streams two seconds of a generated tone (a WAV file written
// into `work`) to the computer at `address` (already paired), showing what `computer` received.
// `common` are the options every demo command gets. The number of steps that failed.
int demoGamepadMic(const Output& out, peer::PeerLauncher& computer, const std::string& address,
                   const std::filesystem::path& work, const std::vector<std::string>& common);

// Writes `seconds` of a sine tone of `hertz` as an 8 kHz mono 16-bit WAV file.
bool writeToneWav(const std::filesystem::path& file, double hertz, int seconds);

}  // namespace pd::cli
