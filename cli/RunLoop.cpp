#include "RunLoop.h"

#include "platform/MainQueue.h"

#include <atomic>
#include <csignal>

namespace pd::cli {

namespace {
std::atomic<bool> gInterrupted{false};
void onInterrupt(int) {
    gInterrupted.store(true);
}
}  // namespace

bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    MainQueue& main = MainQueue::shared();
    while (!done()) {
        if (interrupted() || std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        main.runFor(std::chrono::milliseconds(20));
    }
    return true;
}

bool interrupted() {
    return gInterrupted.load();
}

void installInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace pd::cli
