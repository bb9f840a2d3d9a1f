#pragma once
// The download service: kept downloads (resumable, listed while they run, announced when they
// end) and preview downloads (into the cache, reported to one observer), all transferred by
// one worker thread.
//
// Threads: the public operations may be called from any thread; their work and every list
// change, notification and observer call except preview progress happen on the main queue.
// The worker posts each result there, and a posted step does nothing once its service is gone.
// A kept request is found again by its id, never by the most recent one, so the headers of
// one download can never set the size of another.
//
// HTTPTASKSUCCESS and HTTPTASKFAILURE carry {"request": URL, "filePath": destination,
// "fileSize": complete size (0 if no header gave it), "status": HTTP status of the last answer
// (0 if none; 416 when the temporary file was already whole)}, and failures also "error".

#include "NetWork/HttpDownloader.h"
#include "core/HttpDownTaskData.h"
#include "core/KeptDownload.h"
#include "platform/NotificationCenter.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class CurlWorker;

class DownloadService : public HttpDownloader {
  public:
    // Kept downloads transferring at once; more wait in order. Previews do not count.
    static constexpr std::size_t kMaxRunningDownloads = 100;

    // The process's service, created on first use and never destroyed; it registers itself as
    // the command facade's downloader.
    static DownloadService& sharedNetworkQueue();

    // Notifications go to `center`, which must outlive the service. Destroy on the main queue.
    explicit DownloadService(NotificationCenter& center = NotificationCenter::defaultCenter(),
                             std::size_t maxRunning = kMaxRunningDownloads);
    ~DownloadService() override;
    DownloadService(const DownloadService&) = delete;
    DownloadService& operator=(const DownloadService&) = delete;

    // Ignored while a request for the same URL or the same destination is queued or running
    // (a resume after reconnecting has a new URL), so two requests never share a temporary file.
    void downLoadWithURL(const std::string& url, const std::string& toPath,
                         const std::string& tempPath, const std::string& filePath,
                         ListedFile listed = {}) override;
    // The observer is held weakly and told about this download only.
    void downLoadWithURLV2(const std::string& url, const std::string& toPath,
                           std::weak_ptr<DownloadServiceDelegate> delegate,
                           ListedFile listed = {}) override;
    // Posts HTTPDOWNOP and cancels; the end follows as HTTPTASKFAILURE. Unknown URLs: nothing.
    void pauseDownload(const std::string& url) override;
    void stopPreview(const std::string& url) override;
    std::size_t resumeAfterReconnect() override;

    // A kept download the computer cuts off (closed mid-body, refused connection, silence) is
    // not failed at once: it goes on from what its temporary file holds, up to kMaxRetries
    // times in a row without progress, after growing pauses. Each attempt asks `relinker` (on
    // the main queue, with the file's path on the computer) for the link to use; while it says
    // Wait the download waits for the link to the computer (up to kMaxLinkWait), and a link
    // the computer refused is tried again only when the new one differs. Without a relinker,
    // the same link is used again.
    using Relinker = std::function<DownloadRelink(const std::string& remotePath)>;
    static constexpr int kMaxRetries = 5;
    static constexpr std::chrono::seconds kMaxLinkWait{90};
    void setRelinker(Relinker relinker) { relinker_ = std::move(relinker); }
    // The pause before retry n (from 1): 0.5 s doubling to 8 s; tests shorten it.
    void setRetryDelays(std::function<std::chrono::milliseconds(int)> delays) {
        retryDelays_ = std::move(delays);
    }

    // --- main queue only
    // Records of the running kept downloads, in start order.
    const std::vector<std::shared_ptr<HttpDownTaskData>>& httpDownListArr() const {
        return httpDownListArr_;
    }
    // The record of the most recently added kept download.
    const std::shared_ptr<HttpDownTaskData>& httpDownTaskData() const { return httpDownTaskData_; }
    // Requests that have started and not ended, kept and preview.
    std::size_t requestCount() const;

  private:
    using RequestId = std::uint64_t;
    struct KeptRequest {
        RequestId id = 0;  // of its current attempt
        std::string url;   // as it was asked for: pauses name it so
        std::string destination;
        std::shared_ptr<HttpDownTaskData> record;
        bool started = false;
        bool pausing = false;  // cancel sent; no longer counts as running
        // What a new attempt needs, and how the retries stand.
        std::string temporary;
        ListedFile listed;
        std::string attemptUrl;
        int retries = 0;       // in a row without progress
        bool waiting = false;  // between attempts
        std::chrono::steady_clock::time_point waitingSince;
        KeptOutcome lastFailure;
    };
    struct PreviewRequest {
        std::string url;
        std::weak_ptr<DownloadServiceDelegate> observer;
        bool started = false;
    };

    // Runs `step` on the main queue, at once when already there; skipped if the service dies.
    void onMain(std::function<void()> step);
    void post(std::function<void()> step);

    void addKept(const std::string& url, const std::string& toPath, const std::string& tempPath,
                 const std::string& filePath, ListedFile listed);
    void addPreview(const std::string& url, const std::string& toPath,
                    std::weak_ptr<DownloadServiceDelegate> observer, ListedFile listed);
    void pause(const std::string& url);
    KeptRequest* findKept(RequestId id);
    KeptRequest* findKeptByUrl(const std::string& url);
    // Starts an attempt of `request` at `url` under a new id.
    void startAttempt(KeptRequest& request, const std::string& url);
    // A cut-off attempt: schedules the next one; false when it is to fail now.
    bool retryLater(KeptRequest& request, const KeptOutcome& outcome);
    void retryNow(const std::string& url);
    std::chrono::milliseconds retryDelay(int retry) const;

    // Steps of the request queue, on the main queue.
    void requestStarted(RequestId id);
    void requestEnded(RequestId id, const KeptOutcome& outcome, bool mayRetry = true);
    void requestFinished(const KeptRequest& request, const KeptOutcome& outcome);
    void requestFailed(const KeptRequest& request, const KeptOutcome& outcome);
    void HttpQueueDidFinish();
    void previewStarted(RequestId id);
    void previewFinished(RequestId id);
    void previewFailed(RequestId id, const std::string& error);

    NotificationCenter& center_;
    const std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    const std::weak_ptr<int> weakAlive_ = alive_;

    std::vector<KeptRequest> kept_;  // queued and running, in the order added
    std::vector<std::shared_ptr<HttpDownTaskData>> httpDownListArr_;
    std::shared_ptr<HttpDownTaskData> httpDownTaskData_;
    std::map<RequestId, PreviewRequest> previews_;
    RequestId nextId_ = 1;
    Relinker relinker_;
    std::function<std::chrono::milliseconds(int)> retryDelays_;

    std::unique_ptr<CurlWorker> worker_;  // last: stopped before the rest goes
};

}  // namespace pd
