#pragma once
// A repeating timer on a dispatch queue: the handler first runs `first` after start(), then
// every `interval`. An interval of zero or less makes a one-shot timer. Firings that fall behind
// (a busy queue, a slow handler) are coalesced into one rather than run in a burst. The leeway
// is accepted for callers that state one but is ignored on Linux.
//
// cancel() is safe from any thread, including from inside the handler. Once it returns the
// handler never starts again; if the handler is running on another thread at that moment,
// cancel() waits for it to return (so do not hold a lock the handler needs while cancelling).
// Destroying the timer cancels it. The queue must outlive the timer's schedule; a pending firing
// holds only a weak reference to the timer's state, so a dropped timer costs nothing later.

#include "platform/DispatchQueue.h"

#include <chrono>
#include <memory>

namespace pd {

class RepeatingTimer {
  public:
    RepeatingTimer(DispatchQueue& queue, std::chrono::milliseconds first,
                   std::chrono::milliseconds interval, std::chrono::milliseconds leeway,
                   Task handler);
    ~RepeatingTimer();
    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    // Starts the schedule; a second start() or a start() after cancel() does nothing.
    void start();
    void cancel();

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace pd
