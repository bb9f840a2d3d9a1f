#pragma once
// The demo runs this program's own commands as child processes, showing each as typed.

#include "Output.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace pd::cli {

// Says "$ pocketdesk ARGS" (and `note` after it), then starts this program with `args`.
// The child's process id, or -1 when it could not be started.
pid_t startSelf(const Output& out, const std::vector<std::string>& args,
                const std::string& note = {});
// Waits for a child started by startSelf; its exit status, or -1 when it did not exit.
int waitSelf(pid_t pid);

}  // namespace pd::cli
