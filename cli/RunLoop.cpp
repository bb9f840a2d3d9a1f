#include "RunLoop.h"

#include "app/MainLoop.h"

#include <atomic>

namespace pd::cli {

namespace {
std::atomic<bool> gInterrupted{false};
}  // namespace

bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                  bool endOnInterrupt) {
    // Ctrl-C ends a wait: the interrupt arrives as a main-queue task.
    return app::runMainUntil([&] { return done() || (endOnInterrupt && interrupted()); },
                             std::chrono::steady_clock::now() + limit) &&
           done();
}

bool interrupted() {
    return gInterrupted.load();
}

void installInterruptHandler() {
    app::onInterrupt([] { gInterrupted.store(true); });
}

}  // namespace pd::cli
