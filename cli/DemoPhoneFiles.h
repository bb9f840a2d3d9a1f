#pragma once
// The demo's phone-file step, kept apart from the rest of the tour.

#include "Output.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pd::cli {

// Starts a second peer that plays a computer managing the phone's files, runs `pocketdesk
// share` against it while the peer lists, fetches and deletes a file, and says what happened.
// `common` are the options every demo command gets (--home ...). True when it all worked.
bool demoPhoneFiles(const Output& out, const std::filesystem::path& peerProgram,
                    const std::filesystem::path& work, const std::filesystem::path& home,
                    const std::vector<std::string>& common, bool verbose);

}  // namespace pd::cli
