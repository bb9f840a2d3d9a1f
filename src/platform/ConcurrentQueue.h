#pragma once
// A pool of background threads; tasks may run at the same time and in any order.

#include "platform/DispatchQueue.h"

#include <asio.hpp>

#include <cstddef>
#include <memory>

namespace pd {

class ConcurrentQueue : public DispatchQueue {
  public:
    // The process-wide background pool; created once thread-safely and never destroyed.
    static ConcurrentQueue& global();

    // A pool of its own; `threads` 0 picks the number of cores (at least 2).
    explicit ConcurrentQueue(std::string label, std::size_t threads = 0);
    // Stops the pool: running tasks finish, queued ones are dropped. May be called from one of
    // the pool's own tasks; the threads are then joined elsewhere once that task returns.
    ~ConcurrentQueue() override;
    ConcurrentQueue(const ConcurrentQueue&) = delete;
    ConcurrentQueue& operator=(const ConcurrentQueue&) = delete;

    void async(Task t) override;
    void after(std::chrono::milliseconds d, Task t) override;
    const std::string& label() const override;

    // True on one of this pool's threads while it runs a task.
    bool isCurrent() const;
    asio::thread_pool& context();

  private:
    struct State {
        State(std::string l, std::size_t threads) : label(std::move(l)), pool(threads) {}
        std::string label;
        asio::thread_pool pool;
    };

    std::shared_ptr<State> state_;
};

}  // namespace pd
