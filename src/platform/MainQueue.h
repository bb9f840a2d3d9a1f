#pragma once
// The UI thread's queue. It has no thread of its own: the front-end's main thread calls run(),
// runUntil() or, from a toolkit's event loop, poll() whenever the wake hook fires; tests pump
// it with runFor() or poll(). Tasks may be posted from any thread.
//
// While a wake hook is installed, delayed tasks wait on a timer thread of their own and are
// posted when due, so the hook covers them too; install the hook before anything is scheduled.
// Without a hook they wait in the queue itself, which whoever pumps it also waits for.

#include "platform/DispatchQueue.h"

#include <asio.hpp>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

namespace pd {

class MainQueue : public DispatchQueue {
  public:
    // Process-wide; created once thread-safely and never destroyed, so tasks posted late in
    // the process's life never meet a dead queue.
    static MainQueue& shared();

    MainQueue();
    MainQueue(const MainQueue&) = delete;
    MainQueue& operator=(const MainQueue&) = delete;

    void async(Task t) override;
    void after(std::chrono::milliseconds d, Task t) override;
    const std::string& label() const override { return label_; }

    // Runs tasks until stop(). Returns the number of tasks run.
    std::size_t run();
    // Makes the running run()/runFor() return soon. Called while nothing pumps the queue, it
    // makes the next pump return at once instead.
    void stop();
    // Runs tasks until `done()` holds (checked after each task) or `deadline` passes, never
    // waiting longer than needed: it sleeps until the next task arrives. Returns done().
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::steady_clock::time_point deadline);
    // Called from the posting thread after each task is posted, so that a toolkit's event loop
    // can schedule a poll() on its own thread; the hook must not run tasks itself. An empty
    // hook removes it.
    void setWakeHook(std::function<void()> hook);
    // Runs tasks for about `d`, then returns the number run.
    std::size_t runFor(std::chrono::milliseconds d);
    // Runs the tasks that are ready without blocking.
    std::size_t poll();
    // True on the thread that is pumping the main queue right now.
    bool isCurrent() const;

    asio::io_context& context() { return context_; }

  private:
    template <typename Pump>
    std::size_t pump(Pump&& body);

    std::string label_ = "main";
    mutable asio::io_context context_;  // mutable: asking for its executor is not const
    asio::executor_work_guard<asio::io_context::executor_type> keepAlive_;
    std::atomic<bool> stopRequested_{false};
    std::mutex hookMutex_;
    std::shared_ptr<const std::function<void()>> wakeHook_;
};

}  // namespace pd
