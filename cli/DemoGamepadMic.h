#pragma once
// The demo's gamepad and microphone step, kept apart from the rest of the tour.

#include "DemoSteps.h"

#include <filesystem>

namespace pd::cli {

// Presses a few pad buttons on the tour's computer (already paired) and shows what `computer`
// received.
Reason demoGamepad(const DemoContext& demo, peer::PeerLauncher& computer);
// Streams two seconds of a generated tone (a WAV file written into the tour's folder) through
// the microphone stream and shows what `computer` saved.
Reason demoMic(const DemoContext& demo, peer::PeerLauncher& computer);

// Writes `seconds` of a sine tone of `hertz` as an 8 kHz mono 16-bit WAV file.
bool writeToneWav(const std::filesystem::path& file, double hertz, int seconds);

}  // namespace pd::cli
