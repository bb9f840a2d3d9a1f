#include "platform/MainQueue.h"

#include <memory>

namespace pd {

MainQueue& MainQueue::shared() {
    static MainQueue* const queue = new MainQueue();
    return *queue;
}

MainQueue::MainQueue() : keepAlive_(asio::make_work_guard(context_)) {}

void MainQueue::async(Task t) {
    asio::post(context_, [this, t = std::move(t)] { runGuarded(t, label_); });
}

void MainQueue::after(std::chrono::milliseconds d, Task t) {
    auto timer = std::make_shared<asio::steady_timer>(context_, d);
    timer->async_wait([this, timer, t = std::move(t)](const asio::error_code& ec) {
        if (!ec) {
            runGuarded(t, label_);
        }
    });
}

template <typename Pump>
std::size_t MainQueue::pump(Pump&& body) {
    // restart() before looking at the flag: a stop() that lands after the look also stops the
    // context, so it cannot be lost between the two.
    context_.restart();
    if (stopRequested_.exchange(false)) {
        return 0;
    }
    const std::size_t ran = body();
    stopRequested_.store(false);
    return ran;
}

std::size_t MainQueue::run() {
    return pump([this] { return context_.run(); });
}

void MainQueue::stop() {
    stopRequested_.store(true);
    context_.stop();
}

std::size_t MainQueue::runFor(std::chrono::milliseconds d) {
    return pump([this, d] { return context_.run_for(d); });
}

std::size_t MainQueue::poll() {
    return pump([this] { return context_.poll(); });
}

bool MainQueue::isCurrent() const {
    return context_.get_executor().running_in_this_thread();
}

}  // namespace pd
