#pragma once
// The photo backup screen: a shake backs up every photo of the library (only those the
// computer does not have yet, unless asked to send again), the select tab opens the photo
// browser and backs up the picked photos. The batch itself runs in the core controller and
// outlives the screen; the screen shows its progress, can stop it, and remembers when the
// last backup ended.
//
// Main queue only.

#include "controllers/BackFileView.h"
#include "controllers/BrowserServices.h"
#include "core/AuthCoreDelegate.h"
#include "platform/MotionEvents.h"
#include "platform/PhotoLibrary.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pd {

class Navigator;

class BackFileViewController : public AuthCoreDelegate,
                               public std::enable_shared_from_this<BackFileViewController> {
  public:
    static constexpr std::uint32_t kShakeTab = 0x11110000;
    static constexpr std::uint32_t kSelectTab = 0x11111000;
    // The argument of UploadPath that asks for the backup folder.
    static constexpr std::int32_t kBackupFolderKind = 8;

    using Clock = std::chrono::system_clock;

    struct Options {
        // The photo library's folder; empty: PhotoLibrary::defaultRoot().
        std::filesystem::path photoRoot;
        // How long the select tab and a shake wait for the library scan.
        std::chrono::milliseconds scanWait{10000};
        // Empty: the system clock.
        std::function<Clock::time_point()> now;
    };

    BackFileViewController(std::weak_ptr<BackFileView> view, BrowserServices services,
                           Navigator* navigator = nullptr);
    BackFileViewController(std::weak_ptr<BackFileView> view, BrowserServices services,
                           Navigator* navigator, Options options);
    ~BackFileViewController() override;
    // The tab bar presents the screen first and hands over its view then.
    void setView(std::weak_ptr<BackFileView> view) { view_ = std::move(view); }
    BackFileViewController(const BackFileViewController&) = delete;
    BackFileViewController& operator=(const BackFileViewController&) = delete;

    // Starts the library scan, becomes the core controller's delegate, selects the shake tab,
    // shows the last backup time and asks the computer for its backup folder.
    void viewDidLoad();
    // Becomes the core controller's delegate again (another screen may have taken it).
    void viewDidAppear();
    void loadAssets();
    // Tab 0 shake, tab 1 select (BackTypeViewChange).
    void selectTab(std::size_t index);
    // Shakes arrive from MotionEvents::shared() while the screen is loaded; a front-end may
    // also call these directly.
    void motionBegan(MotionType type);
    void motionEnded(MotionType type);
    void photoBrowserSelectedChanged(std::size_t index, bool selected);
    void photoBrowserDidFinishModalPresentation();
    // A tap on the progress ring: stops a running batch after its current item.
    void ProgresstapDetected();
    void photoBackFinish(bool stopped);
    void AuthCorePathSucess(const std::string& backupPath) override;
    // The settings button.
    void showSettings();
    void DoBack();

    // A shake sends every photo, also those the computer already has.
    void setSendAgain(bool again) { sendAgain_ = again; }

    std::uint32_t curSelectItem() const { return curSelectItem_; }
    bool bBackPhotoing() const { return bBackPhotoing_; }
    bool scanFinished() const;
    // The photos found by the scan so far, in the order found.
    std::vector<PhotoEntry> assets() const;
    const std::set<std::string>& selecePicUrlSet() const { return selecePicUrlSet_; }

    // "YYYY-MM-DD hh:mm:ss" on the 12-hour clock, local time (LASTPICBACKTIME).
    static std::string formatBackupTime(Clock::time_point when);

  private:
    struct ScanState;

    // Runs `then` on the main queue once the scan has finished, or after scanWait at most,
    // showing "looking for the photo" meanwhile. The main queue is never blocked.
    void whenScanned(std::function<void(BackFileViewController&)> then);
    void shakeScanned();
    void selectScanned();
    void startBatch(const std::vector<std::string>& urls, std::size_t known);
    void onProgress(std::size_t done, std::size_t total);
    void onBatchEnd(const BackupBatchEnd& end);
    void showNothingToSend(const std::string& timeLine);
    Clock::time_point now() const;
    std::shared_ptr<BackFileView> view() const { return view_.lock(); }

    std::weak_ptr<BackFileView> view_;
    BrowserServices services_;
    Navigator* navigator_;
    Options options_;
    std::uint32_t curSelectItem_ = kShakeTab;
    bool bBackPhotoing_ = false;
    bool sendAgain_ = false;
    bool folderKnown_ = false;     // the computer named its backup folder
    std::size_t failedItems_ = 0;  // items of the running batch that did not arrive
    std::shared_ptr<ScanState> scan_;
    std::shared_ptr<const PhotoLibrary> library_;
    // The batch this screen started: its size and how many photos were left out as known.
    std::size_t expectedTotal_ = 0;
    std::size_t known_ = 0;
    std::vector<PhotoEntry> photos_;
    std::vector<bool> selections_;
    std::set<std::string> selecePicUrlSet_;
    MotionEvents::Token motionToken_ = 0;
};

}  // namespace pd
