#pragma once
// The front-end's commands. Each returns the process exit status.

#include "GlobalOptions.h"

#include <filesystem>

namespace pd::cli {

int runScan(const GlobalOptions& options);
int runPair(const GlobalOptions& options);

struct DemoOptions {
    std::filesystem::path peerProgram;  // pocketdesk-peer to start
    bool keep = false;                  // keep the temporary folder
};
int runDemo(const GlobalOptions& options, const DemoOptions& demo);

}  // namespace pd::cli
