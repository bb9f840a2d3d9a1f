#pragma once
// The demo's phone-file step, kept apart from the rest of the tour.

#include "DemoSteps.h"

namespace pd::cli {

// Starts a second peer that plays a computer managing the phone's files, runs `pocketdesk
// share` against it while the peer lists, fetches and deletes a file, and says what happened.
Reason demoPhoneFiles(const DemoContext& demo);

}  // namespace pd::cli
