#include "controllers/BackFileViewController.h"

#include "controllers/Navigator.h"
#include "core/BackupLedger.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Log.h"

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <unordered_set>

namespace pd {

namespace {

// Usage statistics of this screen.
constexpr int kStatShakeTab = 50;
constexpr int kStatShake = 51;
constexpr int kStatStop = 52;
constexpr int kStatSelectTab = 53;
constexpr int kStatSelectBackup = 57;

constexpr auto kTipTime = std::chrono::milliseconds(1000);

const char* const kWavePicture = "wave_1";
const char* const kSearchPicture = "search";
const char* const kFinishedPicture = "finished";

std::string countLine(std::size_t done, std::size_t total) {
    return Localized("successful backup photo/video") + " " + std::to_string(done) + "/" +
           std::to_string(total);
}

}  // namespace

// The library scan, shared with the background enumeration and the lookups it starts. The
// scan has finished when every group has been enumerated and every lookup has returned.
struct BackFileViewController::ScanState {
    std::mutex mutex;
    std::vector<PhotoEntry> assets;
    std::size_t outstanding = 0;
    bool enumerated = false;
    bool finished = false;
    // Main-queue continuations waiting for the end of the scan.
    std::vector<std::function<void()>> waiting;

    // Called with `mutex` held; returns the continuations to post once it is released.
    std::vector<std::function<void()>> finishIfDone() {
        if (finished || !enumerated || outstanding > 0) {
            return {};
        }
        finished = true;
        auto ready = std::move(waiting);
        // Also when nobody waits: whoever pumps the main queue for scanFinished() wakes up.
        ready.push_back([] {});
        return ready;
    }
};

BackFileViewController::BackFileViewController(std::weak_ptr<BackFileView> view,
                                               BrowserServices services, Navigator* navigator)
    : BackFileViewController(std::move(view), std::move(services), navigator, Options{}) {}

BackFileViewController::BackFileViewController(std::weak_ptr<BackFileView> view,
                                               BrowserServices services, Navigator* navigator,
                                               Options options)
    : view_(std::move(view)),
      services_(std::move(services)),
      navigator_(navigator),
      options_(std::move(options)),
      library_(std::make_shared<const PhotoLibrary>(
          options_.photoRoot.empty() ? PhotoLibrary::defaultRoot() : options_.photoRoot)) {}

BackFileViewController::~BackFileViewController() {
    if (motionToken_ != 0) {
        MotionEvents::shared().removeObserver(motionToken_);
    }
    services_.core.clearDelegate(this);
}

void BackFileViewController::viewDidLoad() {
    loadAssets();
    services_.core.setDelegate(shared_from_this());
    if (auto v = view()) {
        v->setTitle("backup");
    }
    selectTab(0);
    if (auto v = view()) {
        const auto last = Settings::standard().lastPicBackTime();
        v->setTimeLine(last ? Localized("last backup time") + ":" + *last
                            : Localized("last backup time never"));
        v->setBackupFolderLine(Localized("backupDir"));
    }
    if (motionToken_ == 0) {
        std::weak_ptr<BackFileViewController> weak = weak_from_this();
        motionToken_ =
            MotionEvents::shared().addObserver([weak](MotionPhase phase, MotionType type) {
                // Reported on any thread; the screen lives on the main queue.
                MainQueue::shared().async([weak, phase, type] {
                    if (auto self = weak.lock()) {
                        phase == MotionPhase::Began ? self->motionBegan(type)
                                                    : self->motionEnded(type);
                    }
                });
            });
    }
    services_.core.UploadPath(kBackupFolderKind);
}

void BackFileViewController::viewDidAppear() {
    services_.core.setDelegate(shared_from_this());
}

void BackFileViewController::loadAssets() {
    auto scan = std::make_shared<ScanState>();
    scan_ = scan;
    auto library = library_;
    ConcurrentQueue::global().async([scan, library] {
        const auto post = [](std::vector<std::function<void()>> ready) {
            for (auto& task : ready) {
                MainQueue::shared().async(std::move(task));
            }
        };
        for (const AssetGroup& group : library->groups()) {
            library->enumerateAssets(group, [&](const Asset& asset, std::size_t) {
                if (!asset.isPhoto()) {
                    return;
                }
                {
                    std::lock_guard lock(scan->mutex);
                    ++scan->outstanding;
                }
                const auto returned = [scan, post](std::optional<Asset> found) {
                    std::vector<std::function<void()>> ready;
                    {
                        std::lock_guard lock(scan->mutex);
                        if (found) {
                            scan->assets.push_back(
                                {found->url(), found->fileName(), found->path().string()});
                        }
                        --scan->outstanding;
                        ready = scan->finishIfDone();
                    }
                    post(std::move(ready));
                };
                library->assetForURL(asset.defaultRepresentation().url(), returned,
                                     [returned](std::error_code) { returned(std::nullopt); });
            });
        }
        std::vector<std::function<void()>> ready;
        {
            std::lock_guard lock(scan->mutex);
            scan->enumerated = true;  // an empty library has finished here
            ready = scan->finishIfDone();
        }
        post(std::move(ready));
    });
}

bool BackFileViewController::scanFinished() const {
    if (!scan_) {
        return false;
    }
    std::lock_guard lock(scan_->mutex);
    return scan_->finished;
}

std::vector<PhotoEntry> BackFileViewController::assets() const {
    if (!scan_) {
        return {};
    }
    std::lock_guard lock(scan_->mutex);
    return scan_->assets;
}

void BackFileViewController::whenScanned(std::function<void(BackFileViewController&)> then) {
    if (!scan_) {
        loadAssets();
    }
    std::weak_ptr<BackFileViewController> weak = weak_from_this();
    auto once = std::make_shared<bool>(false);
    auto resume = [weak, then, once] {
        if (*once) {
            return;
        }
        *once = true;
        if (auto self = weak.lock()) {
            if (auto v = self->view()) {
                v->hideProgress();
            }
            then(*self);
        }
    };
    {
        std::lock_guard lock(scan_->mutex);
        if (!scan_->finished) {
            scan_->waiting.push_back(resume);
        } else {
            *once = true;
        }
    }
    if (*once) {
        then(*this);
        return;
    }
    if (auto v = view()) {
        v->showProgress("looking for the photo");
    }
    // Whatever the scan has collected by then is used.
    MainQueue::shared().after(options_.scanWait, resume);
}

void BackFileViewController::selectTab(std::size_t index) {
    if (auto v = view()) {
        v->setSelectedTab(index);
    }
    bBackPhotoing_ = services_.core.isPhotoBakRunning() && expectedTotal_ > 0;
    if (index == 0) {
        curSelectItem_ = kShakeTab;
        if (auto v = view()) {
            v->setStatus("shake the iphone");
            v->setStatusPicture(kWavePicture);
        }
        services_.stat(kStatShakeTab);
        return;
    }
    curSelectItem_ = kSelectTab;
    whenScanned([](BackFileViewController& self) { self.selectScanned(); });
}

void BackFileViewController::selectScanned() {
    if (curSelectItem_ != kSelectTab) {
        return;  // the user went back to the shake tab meanwhile
    }
    auto v = view();
    if (bBackPhotoing_ || services_.core.isPhotoBakRunning()) {
        if (v) {
            v->showTip("backup in progress", kTipTime);
        }
        return;
    }
    photos_ = assets();
    selections_.assign(photos_.size(), false);
    selecePicUrlSet_.clear();  // the browser opens with nothing picked
    if (v) {
        v->setStatus("select backup");
        v->setTimeLine("");
        v->setStatusPicture("");
        v->hideProgressRing();
        v->openPhotoBrowser(photos_);
    }
    services_.stat(kStatSelectTab);
}

void BackFileViewController::motionBegan(MotionType) {
    if (auto v = view()) {
        v->playWaveAnimation(8, 0.8, 2);
        v->setStatus("looking for");
        v->setStatusPicture(kSearchPicture);
    }
    services_.stat(kStatShake);
}

void BackFileViewController::motionEnded(MotionType type) {
    if (type != MotionType::Shake) {
        return;
    }
    if (services_.core.isPhotoBakRunning()) {
        if (auto v = view()) {
            v->showTip("backup in progress", kTipTime);  // one batch at a time
        }
        return;
    }
    whenScanned([](BackFileViewController& self) { self.shakeScanned(); });
}

void BackFileViewController::shakeScanned() {
    if (services_.core.isPhotoBakRunning()) {
        return;
    }
    // Each photo once, though it may be in several albums.
    std::vector<std::string> urls;
    std::unordered_set<std::string> seen;
    for (const PhotoEntry& entry : assets()) {
        if (seen.insert(entry.url).second) {
            urls.push_back(entry.url);
        }
    }
    if (urls.empty()) {
        showNothingToSend(countLine(0, 0));
        return;
    }
    std::size_t known = 0;
    if (!sendAgain_) {
        const BackupLedger ledger(ObjectStore::shared());
        const std::string& tag = services_.core.deviceTag;
        std::vector<std::string> fresh;
        for (const PhotoEntry& entry : assets()) {
            if (seen.erase(entry.url) == 0) {
                continue;  // a second album's copy
            }
            std::error_code ec;
            const auto size = std::filesystem::file_size(entry.imagePath, ec);
            if (!ec && ledger.contains(tag, entry.url, size)) {
                ++known;
            } else {
                fresh.push_back(entry.url);
            }
        }
        urls = std::move(fresh);
    }
    if (urls.empty()) {
        showNothingToSend(std::to_string(0) + " " + Localized("new of") + " " +
                          std::to_string(known));
        return;
    }
    startBatch(urls, known);
}

void BackFileViewController::showNothingToSend(const std::string& timeLine) {
    if (auto v = view()) {
        v->setStatus("backup has stopped");
        v->setTimeLine(timeLine);
        v->setStatusPicture(kFinishedPicture);
        BackupReport report;
        report.nothingToSend = true;
        v->backupEnded(report);
    }
}

void BackFileViewController::photoBrowserSelectedChanged(std::size_t index, bool selected) {
    if (index >= photos_.size()) {
        return;
    }
    if (index < selections_.size()) {
        selections_[index] = selected;
    }
    if (selected) {
        selecePicUrlSet_.insert(photos_[index].url);
    } else {
        selecePicUrlSet_.erase(photos_[index].url);
    }
}

void BackFileViewController::photoBrowserDidFinishModalPresentation() {
    if (selecePicUrlSet_.empty()) {
        showNothingToSend(Localized("no photos backup"));
        return;
    }
    if (services_.core.isPhotoBakRunning()) {
        if (auto v = view()) {
            v->showTip("backup in progress", kTipTime);
        }
        return;
    }
    // Picked photos go again even when the computer has them: the user asked for them.
    std::vector<std::string> urls(selecePicUrlSet_.begin(), selecePicUrlSet_.end());
    selecePicUrlSet_.clear();  // a later pick starts from nothing
    selections_.assign(selections_.size(), false);
    services_.stat(kStatSelectBackup);
    startBatch(urls, 0);
}

void BackFileViewController::startBatch(const std::vector<std::string>& urls, std::size_t known) {
    AuthCore& core = services_.core;
    core.assetslibrary = library_;
    core.upQueueArr.insert(core.upQueueArr.end(), urls.begin(), urls.end());
    std::weak_ptr<BackFileViewController> weak = weak_from_this();
    core.ProgressBlock([weak](std::uint64_t done, std::uint64_t total) {
        if (auto self = weak.lock()) {
            self->onProgress(static_cast<std::size_t>(done), static_cast<std::size_t>(total));
        }
    });
    failedItems_ = 0;
    core.BackupItemBlock([weak](const std::string&, const std::string& name, UploadOutcome o) {
        if (auto self = weak.lock()) {
            self->failedItems_ += o != UploadOutcome::Sent;
            if (auto v = self->view()) {
                v->itemEnded(name, o);
            }
        }
    });
    core.BackupFinishBlock([weak](const BackupBatchEnd& end) {
        if (auto self = weak.lock()) {
            self->onBatchEnd(end);
        }
    });
    if (!core.PhotoAlbumBakMgr()) {
        core.ProgressBlock(nullptr);
        if (auto v = view()) {
            v->showTip("backup in progress", kTipTime);
        }
        return;
    }
    expectedTotal_ = urls.size();
    known_ = known;
    bBackPhotoing_ = true;
    if (auto v = view()) {
        if (known > 0) {
            v->setTimeLine(std::to_string(urls.size()) + " " + Localized("new of") + " " +
                           std::to_string(urls.size() + known));
        }
        v->showProgressRing(urls.size());
    }
}

void BackFileViewController::onProgress(std::size_t done, std::size_t total) {
    bBackPhotoing_ = true;
    if (auto v = view()) {
        v->setStatus("backing up");
        v->setTimeLine(countLine(done, total));
        v->setProgressRing(done, total);
    }
    if (done == expectedTotal_) {
        photoBackFinish(false);
    }
}

void BackFileViewController::onBatchEnd(const BackupBatchEnd& end) {
    if (bBackPhotoing_) {
        photoBackFinish(true);  // the link was lost, or the batch stopped from elsewhere
    }
    expectedTotal_ = 0;
    // The link keeps one answer slot: a batch started before the folder's answer came took
    // it over, so the question is asked again now that the slot is free.
    if (!folderKnown_ && !end.linkLost) {
        services_.core.UploadPath(kBackupFolderKind);
    }
    if (auto v = view()) {
        BackupReport report;
        report.total = end.total;
        report.done = end.done;
        report.sent = end.confirmed;
        report.failed = end.failed;
        report.known = known_;
        report.stopped = end.stopped || end.linkLost;
        v->backupEnded(report);
    }
}

void BackFileViewController::ProgresstapDetected() {
    if (!bBackPhotoing_) {
        return;
    }
    services_.core.StopPhotoBak();
    photoBackFinish(true);
    services_.stat(kStatStop);
    bBackPhotoing_ = false;
}

void BackFileViewController::photoBackFinish(bool stopped) {
    bBackPhotoing_ = false;
    if (auto v = view()) {
        v->hideProgressRing();
        // A batch whose photos did not all arrive is not reported as a success.
        v->setStatus(stopped            ? "backup has stopped"
                     : failedItems_ > 0 ? "backup finished with failures"
                                        : "backup has successfully");
        v->setStatusPicture(kFinishedPicture);
    }
    Settings::standard().setLastPicBackTime(formatBackupTime(now()));
}

void BackFileViewController::AuthCorePathSucess(const std::string& backupPath) {
    folderKnown_ = true;
    if (auto v = view()) {
        v->setBackupFolderLine(Localized("backupDir") + ":" + backupPath);
    }
}

void BackFileViewController::showSettings() {
    if (navigator_) {
        navigator_->showMore();
    }
}

void BackFileViewController::DoBack() {
    if (bBackPhotoing_) {
        services_.core.StopPhotoBak();
        bBackPhotoing_ = false;
    }
}

BackFileViewController::Clock::time_point BackFileViewController::now() const {
    return options_.now ? options_.now() : Clock::now();
}

std::string BackFileViewController::formatBackupTime(Clock::time_point when) {
    const std::time_t t = Clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %I:%M:%S", &local);
    return text;
}

}  // namespace pd
