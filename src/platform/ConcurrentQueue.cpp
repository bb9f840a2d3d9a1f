#include "platform/ConcurrentQueue.h"

#include <algorithm>
#include <thread>

namespace pd {

namespace {

std::size_t defaultThreadCount() {
    return std::max<std::size_t>(2, std::thread::hardware_concurrency());
}

}  // namespace

ConcurrentQueue& ConcurrentQueue::global() {
    static ConcurrentQueue* const queue = new ConcurrentQueue("global");
    return *queue;
}

ConcurrentQueue::ConcurrentQueue(std::string label, std::size_t threads)
    : state_(std::make_shared<State>(std::move(label), threads ? threads : defaultThreadCount())) {}

ConcurrentQueue::~ConcurrentQueue() {
    state_->pool.stop();
    if (isCurrent()) {
        // A pool thread cannot join itself; a helper thread joins the pool once this task
        // returns and releases the last reference.
        std::thread([state = std::move(state_)] { state->pool.join(); }).detach();
    } else {
        state_->pool.join();
    }
}

void ConcurrentQueue::async(Task t) {
    // A local reference: the task may destroy this queue before post() has returned.
    const std::shared_ptr<State> state = state_;
    asio::post(state->pool, [s = state.get(), t = std::move(t)] { runGuarded(t, s->label); });
}

void ConcurrentQueue::after(std::chrono::milliseconds d, Task t) {
    const std::shared_ptr<State> state = state_;
    auto timer = std::make_shared<asio::steady_timer>(state->pool, d);
    timer->async_wait([s = state.get(), timer, t = std::move(t)](const asio::error_code& ec) {
        if (!ec) {
            runGuarded(t, s->label);
        }
    });
}

const std::string& ConcurrentQueue::label() const {
    return state_->label;
}

bool ConcurrentQueue::isCurrent() const {
    return state_->pool.get_executor().running_in_this_thread();
}

asio::thread_pool& ConcurrentQueue::context() {
    return state_->pool;
}

}  // namespace pd
