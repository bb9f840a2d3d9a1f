#pragma once
// The front-end's main thread runs the main queue; commands pump it until they are done.

#include <chrono>
#include <functional>

namespace pd::cli {

// Runs the main queue until `done` holds, `limit` passes or (unless told otherwise) Ctrl-C;
// returns `done()`. It sleeps while nothing happens and returns as soon as `done` holds.
bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                  bool endOnInterrupt = true);

// True once Ctrl-C (SIGINT) was pressed; the handler is installed by installInterruptHandler.
bool interrupted();
void installInterruptHandler();

}  // namespace pd::cli
