#pragma once
// A queue with its own thread: tasks run one at a time, in the order they were posted.

#include "platform/DispatchQueue.h"

#include <asio.hpp>

#include <memory>
#include <thread>

namespace pd {

class SerialQueue : public DispatchQueue {
  public:
    explicit SerialQueue(std::string label);
    // Stops the thread and joins it: a task already running finishes, tasks still queued and
    // pending after() tasks are dropped without running. Destroying the queue from one of its
    // own tasks is allowed; the thread then ends as soon as that task returns.
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(Task t) override;
    void after(std::chrono::milliseconds d, Task t) override;
    const std::string& label() const override;

    // True on this queue's thread while it runs a task.
    bool isCurrent() const;
    asio::io_context& context();

  private:
    // Shared with the thread, so the thread may outlive the queue object (see the destructor).
    struct State {
        explicit State(std::string l) : label(std::move(l)) {}
        std::string label;
        asio::io_context context;
    };

    std::shared_ptr<State> state_;
    asio::executor_work_guard<asio::io_context::executor_type> keepAlive_;
    std::thread thread_;
};

}  // namespace pd
