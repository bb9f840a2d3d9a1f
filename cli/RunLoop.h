#pragma once
// The front-end's main thread runs the main queue; commands pump it until they are done.

#include <chrono>
#include <functional>

namespace pd::cli {

// Runs the main queue until `done` holds or `limit` passes; returns `done()`.
bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// True once Ctrl-C (SIGINT) was pressed; the handler is installed by installInterruptHandler.
bool interrupted();
void installInterruptHandler();

}  // namespace pd::cli
