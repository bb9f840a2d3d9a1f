#pragma once
// The demo's remote control step, kept apart from the rest of the tour.

#include "Output.h"

#include <string>
#include <vector>

namespace pd::cli {

// Runs the remote control commands against the computer at `address` (already paired): lock
// the screen, a capture, the volume, music, slides and the hotspot list. `common` are the
// options every demo command gets (--home ...). The number of commands that failed.
int demoRemoteControl(const Output& out, const std::string& address,
                      const std::vector<std::string>& common);

}  // namespace pd::cli
