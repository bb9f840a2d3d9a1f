#include "platform/MainQueue.h"

#include "platform/SerialQueue.h"

#include <memory>

namespace pd {

MainQueue& MainQueue::shared() {
    static MainQueue* const queue = new MainQueue();
    return *queue;
}

MainQueue::MainQueue() : keepAlive_(asio::make_work_guard(context_)) {}

void MainQueue::async(Task t) {
    asio::post(context_, [this, t = std::move(t)] { runGuarded(t, label_); });
    std::shared_ptr<const std::function<void()>> hook;
    {
        std::lock_guard lock(hookMutex_);
        hook = wakeHook_;
    }
    if (hook) {
        (*hook)();
    }
}

void MainQueue::after(std::chrono::milliseconds d, Task t) {
    bool hooked = false;
    {
        std::lock_guard lock(hookMutex_);
        hooked = wakeHook_ != nullptr;
    }
    if (hooked) {
        // A toolkit's loop learns of work only through the hook: the delayed task waits on a
        // thread of its own and is posted when due. Never destroyed, like the main queue.
        static SerialQueue* const timers = new SerialQueue("main-timers");
        timers->after(d, [this, t = std::move(t)]() mutable { async(std::move(t)); });
        return;
    }
    // Whoever pumps the queue waits for the timer too: one wake-up, no extra thread.
    auto timer = std::make_shared<asio::steady_timer>(context_, d);
    timer->async_wait([this, timer, t = std::move(t)](const asio::error_code& ec) {
        if (!ec) {
            runGuarded(t, label_);
        }
    });
}

void MainQueue::setWakeHook(std::function<void()> hook) {
    auto shared = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
    std::lock_guard lock(hookMutex_);
    wakeHook_ = std::move(shared);
}

bool MainQueue::runUntil(const std::function<bool()>& done,
                         std::chrono::steady_clock::time_point deadline) {
    // A timer in the queue ends the wait at the deadline; run_one_until would instead wake
    // every second to look at the clock.
    auto expired = std::make_shared<bool>(false);
    auto timer = std::make_shared<asio::steady_timer>(context_, deadline);
    timer->async_wait([expired, timer](const asio::error_code& ec) {
        if (!ec) {
            *expired = true;
        }
    });
    pump([&] {
        std::size_t ran = 0;
        while (!done() && !*expired && !context_.stopped()) {
            ran += context_.run_one();
        }
        return ran;
    });
    timer->cancel();  // its handler runs at a later pump and does nothing
    return done();
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
