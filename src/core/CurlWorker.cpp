#include "core/CurlWorker.h"

#include "platform/Log.h"

#include <pthread.h>

#include <algorithm>
#include <system_error>

namespace pd {

namespace {

// curl_multi_wakeup ends the wait whenever work arrives and curl shortens it for its own
// timers, so this is only how long an idle worker sleeps between needless looks. A stalled
// transfer wakes it once a second (curl's low-speed check, see CurlOptions.cpp).
constexpr int kIdlePollMilliseconds = 10000;

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK) {
            PD_LOG_ERROR("curl_global_init failed: {}", curl_easy_strerror(code));
        }
    });
}

}  // namespace

CurlWorker::CurlWorker(std::size_t maxLimited) : maxLimited_(std::max<std::size_t>(1, maxLimited)) {
    initCurlOnce();
    multi_ = curl_multi_init();
    if (multi_ == nullptr) {
        PD_LOG_ERROR("cannot create the HTTP transfer queue");
        return;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        PD_LOG_ERROR("cannot start the HTTP worker: {}", e.what());
        curl_multi_cleanup(multi_);
        multi_ = nullptr;
    }
}

CurlWorker::~CurlWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    if (multi_ != nullptr) {
        curl_multi_wakeup(multi_);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    if (multi_ != nullptr) {
        curl_multi_cleanup(multi_);
    }
}

void CurlWorker::add(TransferId id, std::shared_ptr<CurlTransfer> transfer, Slot slot) {
    if (!transfer) {
        return;
    }
    if (multi_ == nullptr) {
        transfer->abort("the HTTP client is not available");
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        inbox_.emplace_back(Entry{id, std::move(transfer), slot});
    }
    curl_multi_wakeup(multi_);
}

void CurlWorker::cancel(TransferId id) {
    if (multi_ == nullptr) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        inbox_.emplace_back(Cancel{id});
    }
    curl_multi_wakeup(multi_);
}

void CurlWorker::run() {
    // Named so that its wake-ups can be told apart (top -H, /proc/PID/task/*/comm).
    pthread_setname_np(pthread_self(), "pd-curl");
    for (;;) {
        std::vector<Command> commands;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
            commands.swap(inbox_);
        }
        // In order: a cancel handed over before an add of the same file is done first, so the
        // old transfer has closed its file before the new one opens it.
        for (Command& command : commands) {
            apply(command);
        }
        while (limitedRunning_ < maxLimited_ && !waiting_.empty()) {
            Entry next = std::move(waiting_.front());
            waiting_.pop_front();
            start(std::move(next));
        }
        int active = 0;
        const CURLMcode performed = curl_multi_perform(multi_, &active);
        if (performed != CURLM_OK) {
            PD_LOG_WARN("curl_multi_perform: {}", curl_multi_strerror(performed));
        }
        if (collectFinished()) {
            continue;  // slots may have opened: start waiting transfers before sleeping
        }
        const CURLMcode polled =
            curl_multi_poll(multi_, nullptr, 0, kIdlePollMilliseconds, nullptr);
        if (polled != CURLM_OK) {
            PD_LOG_WARN("curl_multi_poll: {}", curl_multi_strerror(polled));
        }
    }
    // Stopped: drop everything without reporting; the owner is going away.
    for (auto& [easy, entry] : running_) {
        curl_multi_remove_handle(multi_, easy);
        curl_easy_cleanup(easy);
    }
    running_.clear();
    waiting_.clear();
    std::lock_guard lock(mutex_);
    inbox_.clear();
}

void CurlWorker::apply(Command& command) {
    if (auto* entry = std::get_if<Entry>(&command)) {
        if (entry->slot == Slot::Unlimited) {
            start(std::move(*entry));
        } else {
            waiting_.push_back(std::move(*entry));
        }
    } else {
        cancelNow(std::get<Cancel>(command).id);
    }
}

void CurlWorker::start(Entry entry) {
    CURL* easy = curl_easy_init();
    if (easy == nullptr) {
        entry.transfer->abort("cannot create an HTTP request");
        return;
    }
    if (!entry.transfer->begin(easy)) {
        curl_easy_cleanup(easy);
        return;
    }
    const CURLMcode added = curl_multi_add_handle(multi_, easy);
    if (added != CURLM_OK) {
        curl_easy_cleanup(easy);
        entry.transfer->abort(curl_multi_strerror(added));
        return;
    }
    if (entry.slot == Slot::Limited) {
        ++limitedRunning_;
    }
    running_.emplace(easy, std::move(entry));
}

void CurlWorker::cancelNow(TransferId id) {
    const auto waiting =
        std::find_if(waiting_.begin(), waiting_.end(), [id](const Entry& e) { return e.id == id; });
    if (waiting != waiting_.end()) {
        const Entry entry = std::move(*waiting);
        waiting_.erase(waiting);
        entry.transfer->abort("cancelled");
        return;
    }
    const auto running = std::find_if(running_.begin(), running_.end(),
                                      [id](const auto& item) { return item.second.id == id; });
    if (running == running_.end()) {
        return;  // already finished; its end is on its way
    }
    CURL* easy = running->first;
    const Entry entry = std::move(running->second);
    running_.erase(running);
    release(easy);
    if (entry.slot == Slot::Limited) {
        --limitedRunning_;
    }
    entry.transfer->abort("cancelled");
}

bool CurlWorker::collectFinished() {
    bool any = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        // The message is gone once the handle is removed: copy what is needed first.
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        const auto found = running_.find(easy);
        if (found == running_.end()) {
            continue;
        }
        Entry entry = std::move(found->second);
        running_.erase(found);
        curl_multi_remove_handle(multi_, easy);
        if (entry.slot == Slot::Limited) {
            --limitedRunning_;
        }
        any = true;
        if (entry.transfer->finish(easy, result)) {
            curl_easy_reset(easy);
            if (!entry.transfer->begin(easy)) {
                curl_easy_cleanup(easy);
                continue;
            }
            const CURLMcode added = curl_multi_add_handle(multi_, easy);
            if (added != CURLM_OK) {
                curl_easy_cleanup(easy);
                entry.transfer->abort(curl_multi_strerror(added));
                continue;
            }
            if (entry.slot == Slot::Limited) {
                ++limitedRunning_;
            }
            running_.emplace(easy, std::move(entry));
            continue;
        }
        curl_easy_cleanup(easy);
    }
    return any;
}

void CurlWorker::release(CURL* easy) {
    curl_multi_remove_handle(multi_, easy);
    curl_easy_cleanup(easy);
}

}  // namespace pd
