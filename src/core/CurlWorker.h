#pragma once
// One thread that runs HTTP transfers on curl's multi interface. Limited transfers (kept
// downloads) run at most `maxLimited` at a time and wait in order for a slot; unlimited ones
// (previews) start at once, so neither kind can hold up the other. The thread sleeps in
// curl_multi_poll and is woken by curl_multi_wakeup when work is handed over; it never spins.
//
// add() and cancel() may be called from any thread. Destroying the worker stops the thread and
// drops every transfer without calling it again (their destructors clean up).

#include "core/CurlTransfer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <variant>
#include <vector>

namespace pd {

class CurlWorker {
  public:
    using TransferId = std::uint64_t;
    enum class Slot { Limited, Unlimited };

    explicit CurlWorker(std::size_t maxLimited);
    ~CurlWorker();
    CurlWorker(const CurlWorker&) = delete;
    CurlWorker& operator=(const CurlWorker&) = delete;

    // Hands the transfer over; the id must be unique for this worker.
    void add(TransferId id, std::shared_ptr<CurlTransfer> transfer, Slot slot);
    // Ends the transfer through abort("cancelled") unless it has already finished.
    void cancel(TransferId id);

  private:
    struct Entry {
        TransferId id = 0;
        std::shared_ptr<CurlTransfer> transfer;
        Slot slot = Slot::Limited;
    };
    struct Cancel {
        TransferId id = 0;
    };
    using Command = std::variant<Entry, Cancel>;

    void run();
    void apply(Command& command);
    void start(Entry entry);
    void cancelNow(TransferId id);
    // Returns whether any transfer ended (a slot may have opened).
    bool collectFinished();
    void release(CURL* easy);

    const std::size_t maxLimited_;
    CURLM* multi_ = nullptr;

    std::mutex mutex_;
    std::vector<Command> inbox_;  // guarded by mutex_
    bool stopping_ = false;       // guarded by mutex_

    // Worker thread only.
    std::deque<Entry> waiting_;
    std::unordered_map<CURL*, Entry> running_;
    std::size_t limitedRunning_ = 0;

    std::thread thread_;  // last: starts after everything it uses exists
};

}  // namespace pd
