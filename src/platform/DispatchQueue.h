#pragma once
// Something tasks can be posted to. Every queue runs its tasks on its own thread(s); a task
// that throws is logged and dropped, so no exception leaves a queue's thread.

#include <chrono>
#include <functional>
#include <string>

namespace pd {

using Task = std::function<void()>;

class DispatchQueue {
  public:
    virtual ~DispatchQueue();

    virtual void async(Task t) = 0;
    // Runs the task once, no earlier than `d` from now.
    virtual void after(std::chrono::milliseconds d, Task t) = 0;
    virtual const std::string& label() const = 0;

  protected:
    // Runs a task, logging and swallowing anything it throws.
    static void runGuarded(const Task& t, const std::string& label) noexcept;
};

}  // namespace pd
