#include "core/DownloadService.h"

#include "core/CurlWorker.h"
#include "core/PreviewDownload.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <algorithm>
#include <utility>

namespace pd {

namespace {

std::string remotePathOrEmpty(const std::shared_ptr<HttpDownTaskData>& record) {
    return record ? record->filePath : std::string();
}

}  // namespace

DownloadService& DownloadService::sharedNetworkQueue() {
    static DownloadService* const service = [] {
        auto* created = new DownloadService();  // lives to the end of the process
        setHttpDownloader(created);
        return created;
    }();
    return *service;
}

DownloadService::DownloadService(NotificationCenter& center, std::size_t maxRunning)
    : center_(center), worker_(std::make_unique<CurlWorker>(maxRunning)) {}

DownloadService::~DownloadService() {
    if (httpDownloader() == this) {
        setHttpDownloader(nullptr);
    }
    worker_.reset();  // joins the worker: nothing of ours runs on it afterwards
}

void DownloadService::post(std::function<void()> step) {
    MainQueue::shared().async([alive = weakAlive_, step = std::move(step)] {
        if (alive.lock()) {
            step();
        }
    });
}

void DownloadService::onMain(std::function<void()> step) {
    if (MainQueue::shared().isCurrent()) {
        step();
    } else {
        post(std::move(step));
    }
}

void DownloadService::downLoadWithURL(const std::string& url, const std::string& toPath,
                                      const std::string& tempPath, const std::string& filePath,
                                      ListedFile listed) {
    onMain([this, url, toPath, tempPath, filePath, listed] {
        addKept(url, toPath, tempPath, filePath, listed);
    });
}

void DownloadService::downLoadWithURLV2(const std::string& url, const std::string& toPath,
                                        std::weak_ptr<DownloadServiceDelegate> delegate,
                                        ListedFile listed) {
    onMain([this, url, toPath, delegate = std::move(delegate), listed] {
        addPreview(url, toPath, delegate, listed);
    });
}

void DownloadService::pauseDownload(const std::string& url) {
    onMain([this, url] { pause(url); });
}

void DownloadService::stopPreview(const std::string& url) {
    onMain([this, url] {
        for (auto it = previews_.begin(); it != previews_.end();) {
            if (it->second.url != url) {
                ++it;
                continue;
            }
            const RequestId id = it->first;
            it = previews_.erase(it);  // its end, when the worker reports it, finds no one
            worker_->cancel(id);
        }
    });
}

std::size_t DownloadService::requestCount() const {
    const auto keptRunning = std::count_if(kept_.begin(), kept_.end(), [](const auto& request) {
        return request.started && !request.pausing;
    });
    const auto previewsRunning = std::count_if(
        previews_.begin(), previews_.end(), [](const auto& item) { return item.second.started; });
    return static_cast<std::size_t>(keptRunning + previewsRunning);
}

DownloadService::KeptRequest* DownloadService::findKept(RequestId id) {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [id](const KeptRequest& request) { return request.id == id; });
    return found == kept_.end() ? nullptr : &*found;
}

void DownloadService::addKept(const std::string& url, const std::string& toPath,
                              const std::string& tempPath, const std::string& filePath,
                              ListedFile listed) {
    const bool duplicate = std::any_of(kept_.begin(), kept_.end(), [&](const KeptRequest& request) {
        return !request.pausing && (request.url == url || request.destination == toPath);
    });
    if (duplicate) {
        PD_LOG_DEBUG("{} is already being downloaded", toPath);
        return;
    }
    auto record = std::make_shared<HttpDownTaskData>(toPath, url, filePath);
    httpDownTaskData_ = record;
    KeptRequest request;
    request.url = url;
    request.destination = toPath;
    request.record = std::move(record);
    request.temporary = tempPath;
    request.listed = listed;
    kept_.push_back(std::move(request));
    startAttempt(kept_.back(), url);
}

void DownloadService::startAttempt(KeptRequest& request, const std::string& url) {
    const RequestId id = nextId_++;
    request.id = id;
    request.attemptUrl = url;
    request.waiting = false;
    KeptDownload::Hooks hooks;
    hooks.started = [this, id] { post([this, id] { requestStarted(id); }); };
    hooks.ended = [this, id](KeptOutcome outcome) {
        post([this, id, outcome = std::move(outcome)] { requestEnded(id, outcome); });
    };
    worker_->add(id,
                 std::make_shared<KeptDownload>(url, request.destination, request.temporary,
                                                request.listed, request.record, std::move(hooks)),
                 CurlWorker::Slot::Limited);
}

std::chrono::milliseconds DownloadService::retryDelay(int retry) const {
    if (retryDelays_) {
        return retryDelays_(retry);
    }
    return std::chrono::milliseconds(500) * (1 << std::clamp(retry - 1, 0, 4));
}

bool DownloadService::retryLater(KeptRequest& request, const KeptOutcome& outcome) {
    if (request.pausing || !(outcome.cut || outcome.linkRefused)) {
        return false;
    }
    if (outcome.received > 0) {
        request.retries = 0;  // it moved on: the count is of attempts in a row without progress
    }
    if (request.retries >= kMaxRetries) {
        return false;
    }
    ++request.retries;
    request.waiting = true;
    request.waitingSince = std::chrono::steady_clock::now();
    request.lastFailure = outcome;
    PD_LOG_INFO("{}: cut off ({}); attempt {} of {} follows", request.destination, outcome.error,
                request.retries, kMaxRetries);
    MainQueue::shared().after(retryDelay(request.retries),
                              [this, alive = weakAlive_, url = request.url] {
                                  if (alive.lock()) {
                                      retryNow(url);
                                  }
                              });
    return true;
}

void DownloadService::retryNow(const std::string& url) {
    KeptRequest* request = findKeptByUrl(url);
    if (request == nullptr || !request->waiting) {
        return;  // paused meanwhile, or already going on
    }
    const DownloadRelink relink =
        relinker_ ? relinker_(remotePathOrEmpty(request->record))
                  : DownloadRelink{DownloadRelink::Kind::Url, request->attemptUrl};
    const auto waited = std::chrono::steady_clock::now() - request->waitingSince;
    const bool refusedAgain = request->lastFailure.linkRefused &&
                              relink.kind == DownloadRelink::Kind::Url &&
                              relink.url == request->attemptUrl;
    if (relink.kind == DownloadRelink::Kind::Wait && waited < kMaxLinkWait) {
        MainQueue::shared().after(std::chrono::milliseconds(500), [this, alive = weakAlive_, url] {
            if (alive.lock()) {
                retryNow(url);
            }
        });
        return;
    }
    if (relink.kind != DownloadRelink::Kind::Url || refusedAgain) {
        KeptOutcome outcome = request->lastFailure;
        if (relink.kind != DownloadRelink::Kind::Url) {
            outcome.error += "; the link to the computer did not come back";
        }
        request->waiting = false;
        requestEnded(request->id, outcome, false);
        return;
    }
    startAttempt(*request, relink.url);
}

std::size_t DownloadService::resumeAfterReconnect() {
    std::vector<std::string> waiting;
    for (const KeptRequest& request : kept_) {
        if (request.waiting && !request.pausing) {
            waiting.push_back(request.url);
        }
    }
    for (const std::string& url : waiting) {
        retryNow(url);
    }
    return waiting.size();
}

DownloadService::KeptRequest* DownloadService::findKeptByUrl(const std::string& url) {
    const auto found = std::find_if(kept_.begin(), kept_.end(), [&url](const KeptRequest& request) {
        return request.url == url && !request.pausing;
    });
    return found == kept_.end() ? nullptr : &*found;
}

void DownloadService::pause(const std::string& url) {
    // The started one if there is one; a queued one is stopped before it starts.
    KeptRequest* target = nullptr;
    for (KeptRequest& request : kept_) {
        if (request.url == url && !request.pausing && (target == nullptr || request.started)) {
            target = &request;
        }
    }
    if (target == nullptr) {
        return;
    }
    target->pausing = true;
    center_.post(kHttpDownOpNotification);
    if (target->waiting) {
        // No attempt runs to cancel: it ends now, as a cancelled one would.
        KeptOutcome cancelled;
        cancelled.error = "cancelled";
        requestEnded(target->id, cancelled, false);
        return;
    }
    worker_->cancel(target->id);
}

void DownloadService::requestStarted(RequestId id) {
    KeptRequest* request = findKept(id);
    if (request == nullptr || request->pausing || request->started) {
        return;  // paused while it waited for a slot (never shown), or a further attempt
    }
    request->started = true;
    httpDownListArr_.push_back(request->record);
    center_.post(kHttpDownOpNotification);
}

void DownloadService::requestEnded(RequestId id, const KeptOutcome& outcome, bool mayRetry) {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [id](const KeptRequest& request) { return request.id == id; });
    if (found == kept_.end()) {
        return;
    }
    if (!outcome.success && mayRetry && retryLater(*found, outcome)) {
        return;
    }
    const KeptRequest request = std::move(*found);
    kept_.erase(found);
    // Its own record: a resumed request for the same URL may already have a newer one listed.
    std::erase(httpDownListArr_, request.record);
    if (outcome.success) {
        requestFinished(request, outcome);
    } else {
        requestFailed(request, outcome);
    }
    if (kept_.empty()) {
        HttpQueueDidFinish();
    }
}

namespace {

UserInfo endInfo(const std::string& url, const std::string& destination,
                 const std::string& remotePath, const KeptOutcome& outcome) {
    return UserInfo{{"request", url},
                    {"filePath", destination},
                    {"remotePath", remotePath},
                    {"fileSize", static_cast<std::int64_t>(outcome.completeSize)},
                    {"status", static_cast<std::int64_t>(outcome.status)}};
}

}  // namespace

void DownloadService::requestFinished(const KeptRequest& request, const KeptOutcome& outcome) {
    PD_LOG_INFO("downloaded {} ({} bytes)", request.destination, outcome.completeSize);
    center_.post(kHttpTaskSuccessNotification, endInfo(request.url, request.destination,
                                                       remotePathOrEmpty(request.record), outcome));
}

void DownloadService::requestFailed(const KeptRequest& request, const KeptOutcome& outcome) {
    UserInfo info =
        endInfo(request.url, request.destination, remotePathOrEmpty(request.record), outcome);
    info.emplace("error", outcome.error);
    center_.post(kHttpTaskFailureNotification, std::move(info));
}

void DownloadService::HttpQueueDidFinish() {
    // Every ended request has taken its record with it; nothing may linger in the list.
    httpDownListArr_.clear();
}

void DownloadService::addPreview(const std::string& url, const std::string& toPath,
                                 std::weak_ptr<DownloadServiceDelegate> observer,
                                 ListedFile listed) {
    const RequestId id = nextId_++;
    previews_.emplace(id, PreviewRequest{url, observer, false});

    PreviewDownload::Hooks hooks;
    hooks.started = [this, id] { post([this, id] { previewStarted(id); }); };
    hooks.finished = [this, id] { post([this, id] { previewFinished(id); }); };
    hooks.failed = [this, id](std::string error) {
        post([this, id, error = std::move(error)] { previewFailed(id, error); });
    };
    // A name of its own, so two previews of one path never write one file.
    const std::string partPath = toPath + "." + std::to_string(id) + ".part";
    worker_->add(id,
                 std::make_shared<PreviewDownload>(url, toPath, partPath, listed.size,
                                                   std::move(observer), std::move(hooks)),
                 CurlWorker::Slot::Unlimited);
}

void DownloadService::previewStarted(RequestId id) {
    const auto found = previews_.find(id);
    if (found == previews_.end()) {
        return;
    }
    found->second.started = true;
    if (const auto observer = found->second.observer.lock()) {
        observer->HttpDownStart(found->second.url);
    }
}

void DownloadService::previewFinished(RequestId id) {
    const auto found = previews_.find(id);
    if (found == previews_.end()) {
        return;
    }
    const auto observer = found->second.observer.lock();
    previews_.erase(found);
    if (observer) {
        observer->HttpDownProgress(1.0f);
    }
}

void DownloadService::previewFailed(RequestId id, const std::string& error) {
    const auto found = previews_.find(id);
    if (found == previews_.end()) {
        return;
    }
    const auto observer = found->second.observer.lock();
    previews_.erase(found);
    if (observer) {
        observer->HttpDownError(error);
    }
}

}  // namespace pd
