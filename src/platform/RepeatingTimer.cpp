#include "platform/RepeatingTimer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace pd {

using Clock = std::chrono::steady_clock;

struct RepeatingTimer::State : std::enable_shared_from_this<RepeatingTimer::State> {
    DispatchQueue* queue = nullptr;
    std::chrono::milliseconds first{0};
    std::chrono::milliseconds interval{0};
    Task handler;

    std::mutex mutex;
    std::condition_variable idle;
    bool started = false;
    bool cancelled = false;
    bool running = false;
    std::thread::id runningOn;
    Clock::time_point due;

    // Called without the lock, so a queue that runs tasks inline cannot deadlock us.
    void scheduleAt(Clock::time_point when) {
        const auto delay = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now());
        queue->after(std::max(delay, std::chrono::milliseconds(0)), [weak = weak_from_this()] {
            if (auto self = weak.lock()) {
                self->fire();
            }
        });
    }

    void fire() {
        Task current;
        {
            std::lock_guard lock(mutex);
            if (cancelled) {
                return;
            }
            running = true;
            runningOn = std::this_thread::get_id();
            current = handler;
        }
        current();
        current = nullptr;

        Task released;
        bool again = false;
        Clock::time_point next;
        {
            std::lock_guard lock(mutex);
            running = false;
            runningOn = {};
            if (!cancelled && interval.count() > 0) {
                due += interval;
                const auto now = Clock::now();
                if (due < now) {
                    due = now;  // fell behind: one firing now instead of a burst
                }
                again = true;
                next = due;
            } else {
                cancelled = true;
                released = std::move(handler);
            }
        }
        idle.notify_all();
        if (again) {
            scheduleAt(next);
        }
        // `released` (and whatever the handler captured) is destroyed here, outside the lock.
    }
};

RepeatingTimer::RepeatingTimer(DispatchQueue& queue, std::chrono::milliseconds first,
                               std::chrono::milliseconds interval, std::chrono::milliseconds,
                               Task handler)
    : state_(std::make_shared<State>()) {
    state_->queue = &queue;
    state_->first = first;
    state_->interval = interval;
    state_->handler = std::move(handler);
}

RepeatingTimer::~RepeatingTimer() {
    cancel();
}

void RepeatingTimer::start() {
    Clock::time_point when;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->started || state_->cancelled || !state_->handler) {
            return;
        }
        state_->started = true;
        state_->due = Clock::now() + state_->first;
        when = state_->due;
    }
    state_->scheduleAt(when);
}

void RepeatingTimer::cancel() {
    Task released;
    {
        std::unique_lock lock(state_->mutex);
        state_->cancelled = true;
        if (state_->running) {
            if (state_->runningOn == std::this_thread::get_id()) {
                return;  // called from the handler: fire() releases it when the handler returns
            }
            state_->idle.wait(lock, [this] { return !state_->running; });
        }
        released = std::move(state_->handler);
        state_->handler = nullptr;
    }
}

}  // namespace pd
