#pragma once
// The More screen: the size of the preview cache and its clearing, the switch that lets the
// computer manage this phone's files, the About and feedback screens, and the way back to the
// server list. The cache size is computed on a background queue and shown on the main queue;
// a screen that is gone by then gets nothing.
//
// Main queue only.

#include "controllers/MoreView.h"
#include "controllers/Navigator.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class AboutViewController;
class DispatchQueue;
class UserDefaults;

class MoreTableViewController : public std::enable_shared_from_this<MoreTableViewController> {
  public:
    // Row tags.
    static constexpr int kServerListTag = 0;
    static constexpr int kHotspotTag = 1;  // hidden
    static constexpr int kPhoneFilesTag = 2;
    static constexpr int kClearCacheTag = 3;
    static constexpr int kAboutTag = 4;
    static constexpr int kFeedbackTag = 5;
    static constexpr int kRateTag = 6;  // hidden
    static constexpr int kHomePageTag = 7;
    // Below this the cache is not worth clearing.
    static constexpr std::uint64_t kClearThreshold = 1048576;

    struct Services {
        UserDefaults& defaults;
        std::string cacheDir;                 // empty: the preview cache
        DispatchQueue* background = nullptr;  // null: ConcurrentQueue::global()
        std::function<void(int)> submitStat;  // empty: the core controller's statistics
        Navigator* navigator = nullptr;       // the way back to the server list
    };
    // The process's own: the standard user defaults and the preview cache.
    static Services standardServices(Navigator* navigator = nullptr);

    MoreTableViewController(std::weak_ptr<MoreView> view, Services services);
    void setView(std::weak_ptr<MoreView> view) { view_ = std::move(view); }

    // Every row with its tag, the hidden ones included, and the rows shown.
    static const std::vector<MoreRow>& allRows();
    static std::vector<MoreRow> visibleRows();
    // "N MB" for a size in bytes (whole megabytes, rounded down).
    static std::string sizeText(std::uint64_t bytes);

    void viewDidLoad();
    // Shows the rows and computes the cache size again.
    void viewWillAppear();
    void didSelectRow(int tag);
    void clearCache();
    void mgrFileSwitchAction(bool on);
    void DoBack();

    const std::string& cacheDir() const { return cacheDir_; }
    std::uint64_t cacheDirSize() const { return cacheDirSize_; }
    // True from viewWillAppear until its size is shown.
    bool isMeasuring() const { return measuring_; }
    bool isClearing() const { return clearing_; }

  private:
    void stat(int button) const;
    void sizeMeasured(std::uint64_t generation, std::uint64_t bytes);
    void clearEnded(bool removed, std::uint64_t freed);
    DispatchQueue& background() const;
    std::shared_ptr<MoreView> view() const { return view_.lock(); }

    std::weak_ptr<MoreView> view_;
    Services services_;
    std::string cacheDir_;
    std::uint64_t cacheDirSize_ = 0;
    // A size measured before a clearing (or an older measurement) must not show after it.
    std::uint64_t generation_ = 0;
    bool measuring_ = false;
    bool clearing_ = false;
    std::shared_ptr<AboutViewController> about_;
};

}  // namespace pd
