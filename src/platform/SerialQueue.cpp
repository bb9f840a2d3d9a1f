#include "platform/SerialQueue.h"

namespace pd {

SerialQueue::SerialQueue(std::string label)
    : state_(std::make_shared<State>(std::move(label))),
      keepAlive_(asio::make_work_guard(state_->context)) {
    thread_ = std::thread([state = state_]() mutable {
        state->context.run();
        // Pending handlers are destroyed here, on this thread, if the queue object is gone.
        state.reset();
    });
}

SerialQueue::~SerialQueue() {
    keepAlive_.reset();
    state_->context.stop();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void SerialQueue::async(Task t) {
    // The handler must not touch `this`: it may run after the queue object is gone.
    // A local reference: the task may destroy this queue before post() has returned.
    const std::shared_ptr<State> state = state_;
    asio::post(state->context, [s = state.get(), t = std::move(t)] { runGuarded(t, s->label); });
}

void SerialQueue::after(std::chrono::milliseconds d, Task t) {
    const std::shared_ptr<State> state = state_;
    auto timer = std::make_shared<asio::steady_timer>(state->context, d);
    timer->async_wait([s = state.get(), timer, t = std::move(t)](const asio::error_code& ec) {
        if (!ec) {
            runGuarded(t, s->label);
        }
    });
}

const std::string& SerialQueue::label() const {
    return state_->label;
}

bool SerialQueue::isCurrent() const {
    return state_->context.get_executor().running_in_this_thread();
}

asio::io_context& SerialQueue::context() {
    return state_->context;
}

}  // namespace pd
