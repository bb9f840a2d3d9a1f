#include "support/WaitFor.h"

#include "platform/MainQueue.h"

#include <thread>

namespace pd::test {

bool pumpMainUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    MainQueue& main = MainQueue::shared();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return pred();
        }
        if (main.poll() == 0) {
            main.runFor(1ms);
        }
    }
    return true;
}

bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return pred();
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace pd::test
