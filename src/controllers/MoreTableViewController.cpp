#include "controllers/MoreTableViewController.h"

#include "NetWork/DownloadPaths.h"
#include "controllers/AboutViewController.h"
#include "core/AuthCore.h"
#include "core/Settings.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/Log.h"
#include "platform/ToolPackage.h"
#include "platform/UserDefaults.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace pd {

namespace {

constexpr std::chrono::milliseconds kTipDuration{1000};

struct TagStat {
    int tag;
    int stat;
};
constexpr TagStat kRowStats[] = {{0, 83}, {1, 84}, {3, 112}, {4, 86}, {5, 87}, {6, 88}, {7, 89}};

// Removes the cache folder with its content and makes it again, empty: the preview download
// writes into it and must find it there.
bool emptyFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    if (ec) {
        PD_LOG_WARN("cannot clear the cache {}: {}", dir, ec.message());
        return false;
    }
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        PD_LOG_WARN("cannot make the cache folder {} again: {}", dir, ec.message());
        return false;
    }
    return true;
}

}  // namespace

MoreTableViewController::Services MoreTableViewController::standardServices(Navigator* navigator) {
    return Services{UserDefaults::standard(), previewCacheFolder(), nullptr, {}, navigator};
}

MoreTableViewController::MoreTableViewController(std::weak_ptr<MoreView> view, Services services)
    : view_(std::move(view)), services_(std::move(services)) {}

const std::vector<MoreRow>& MoreTableViewController::allRows() {
    static const std::vector<MoreRow> rows{
        {kServerListTag, "computer list"},
        {kHotspotTag, "wifi connected device"},
        {kPhoneFilesTag, "phone files"},
        {kClearCacheTag, "clear cache"},
        {kAboutTag, "about"},
        {kFeedbackTag, "send feedback"},
        {kRateTag, "rate the app"},
        {kHomePageTag, "home page"},
    };
    return rows;
}

std::vector<MoreRow> MoreTableViewController::visibleRows() {
    std::vector<MoreRow> rows;
    for (const MoreRow& row : allRows()) {
        // The hotspot list opens from the remote control panel, and there is no store to rate
        // the application in.
        if (row.tag != kHotspotTag && row.tag != kRateTag) {
            rows.push_back(row);
        }
    }
    return rows;
}

std::string MoreTableViewController::sizeText(std::uint64_t bytes) {
    return std::to_string(bytes / 1048576) + " MB";
}

void MoreTableViewController::stat(int button) const {
    if (services_.submitStat) {
        services_.submitStat(button);
    } else {
        AuthCore::ShareInstance().SubmitBnClickStat(button);
    }
}

DispatchQueue& MoreTableViewController::background() const {
    return services_.background ? *services_.background : ConcurrentQueue::global();
}

void MoreTableViewController::viewDidLoad() {
    stat(12);
    cacheDir_ = services_.cacheDir.empty() ? previewCacheFolder() : services_.cacheDir;
    cacheDirSize_ = 0;
    if (auto v = view()) {
        v->setTitle("more");
        v->setCacheSize(sizeText(0), 0);
        v->setPhoneFilesSwitch(Settings(services_.defaults).phoneFilesOn());
    }
}

void MoreTableViewController::viewWillAppear() {
    if (auto v = view()) {
        v->setRows(visibleRows());
    }
    measuring_ = true;
    const std::uint64_t generation = ++generation_;
    std::weak_ptr<MoreTableViewController> weak = weak_from_this();
    background().async([weak, generation, dir = cacheDir_] {
        const std::uint64_t bytes = ToolPackage::FolderSizeAtPath(dir.c_str());
        MainQueue::shared().async([weak, generation, bytes] {
            if (auto self = weak.lock()) {
                self->sizeMeasured(generation, bytes);
            }
        });
    });
}

void MoreTableViewController::sizeMeasured(std::uint64_t generation, std::uint64_t bytes) {
    if (generation != generation_) {
        return;  // measured before a clearing or a later measurement
    }
    measuring_ = false;
    cacheDirSize_ = bytes;
    if (auto v = view()) {
        v->setCacheSize(sizeText(bytes), bytes);
    }
}

void MoreTableViewController::didSelectRow(int tag) {
    for (const TagStat& t : kRowStats) {
        if (t.tag == tag) {
            stat(t.stat);
        }
    }
    auto v = view();
    switch (tag) {
        case kServerListTag:
            if (services_.navigator) {
                services_.navigator->returnToServerList();
            }
            break;
        case kClearCacheTag:
            clearCache();
            break;
        case kAboutTag:
            about_ = std::make_shared<AboutViewController>(std::weak_ptr<AboutView>());
            if (v) {
                about_->setView(v->presentAbout(about_));
            }
            about_->viewDidLoad();
            break;
        case kFeedbackTag:
            if (v) {
                v->presentFeedback();
            }
            break;
        case kHomePageTag:
            if (v) {
                v->openUrl(Localized("homeUrl"));
            }
            break;
        default:
            break;
    }
}

void MoreTableViewController::clearCache() {
    if (clearing_) {
        return;
    }
    if (cacheDirSize_ < kClearThreshold) {
        if (auto v = view()) {
            v->showTip("no need clear", kTipDuration);
            v->cacheCleared(CacheClearOutcome::NothingToClear, 0);
        }
        return;
    }
    clearing_ = true;
    ++generation_;  // a measurement still running describes the cache before this
    measuring_ = false;
    std::weak_ptr<MoreTableViewController> weak = weak_from_this();
    background().async([weak, dir = cacheDir_, freed = cacheDirSize_] {
        const bool removed = emptyFolder(dir);
        MainQueue::shared().async([weak, removed, freed] {
            if (auto self = weak.lock()) {
                self->clearEnded(removed, freed);
            }
        });
    });
}

void MoreTableViewController::clearEnded(bool removed, std::uint64_t freed) {
    clearing_ = false;
    auto v = view();
    if (!removed) {
        // Some of it may be gone: measure again rather than show a size that is no longer true.
        if (v) {
            v->showTip("clear failed", kTipDuration);
            v->cacheCleared(CacheClearOutcome::Failed, 0);
        }
        viewWillAppear();
        return;
    }
    cacheDirSize_ = 0;
    if (v) {
        v->setCacheSize(sizeText(0), 0);
        v->showTextTip(Localized("clean finish") + ":" + sizeText(freed), kTipDuration);
        v->cacheCleared(CacheClearOutcome::Cleared, freed);
    }
}

void MoreTableViewController::mgrFileSwitchAction(bool on) {
    Settings(services_.defaults).setPhoneFilesOn(on);
    stat(on ? 114 : 115);
}

void MoreTableViewController::DoBack() {
    if (auto v = view()) {
        v->closeScreen();
    }
}

}  // namespace pd
