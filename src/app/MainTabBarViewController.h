#pragma once
// The tabs shown while a computer is connected: the file manager, the photo backup and the
// remote control panel. They close when the link closes.
//
// Main queue only.

#include "app/MainTabBarView.h"
#include "controllers/BackFileViewController.h"
#include "controllers/BrowserServices.h"
#include "controllers/DiskViewController.h"
#include "controllers/IntelligentViewController.h"
#include "controllers/Navigator.h"

#include <functional>
#include <memory>
#include <vector>

namespace pd {

class MainTabBarViewController {
  public:
    static constexpr int kFileManagerTag = 0;
    static constexpr int kBackupTag = 1;
    static constexpr int kRemoteControlTag = 2;

    // The tabs with their tags and the usage statistic each one submits when selected.
    static const std::vector<TabItem>& tabs();

    MainTabBarViewController(std::weak_ptr<MainTabBarView> view, BrowserServices services);
    void setView(std::weak_ptr<MainTabBarView> view) { view_ = std::move(view); }

    // Shows the tabs and opens the file manager, which lists the computer's drives.
    void viewDidLoad();
    // Selecting the backup or remote control tab presents its screen (made and loaded the
    // first time); the panel that is left stops its volume sender.
    void tabBarDidSelectItem(int tag);
    // The link closed: the tabs and their screens close.
    void NetConnectClose();

    std::shared_ptr<DiskViewController> fileManager() const { return fileManager_; }
    // The backup screen, made when its tab is first selected.
    std::shared_ptr<BackFileViewController> backup() const { return backup_; }
    // The remote control panel, made when its tab is first selected.
    std::shared_ptr<IntelligentViewController> remoteControl() const { return remoteControl_; }
    // Where the backup screen reads photos (empty: the default library folder).
    void setPhotoRoot(std::filesystem::path root) { photoRoot_ = std::move(root); }
    // Where the backup screen's settings control leads (the More screen); none: nowhere.
    void setNavigator(Navigator* navigator) { navigator_ = navigator; }
    // Where the panel's microphone stream reads (empty: the default capture device).
    void setMicrophone(std::function<AudioOpenResult()> open) { microphone_ = std::move(open); }
    int selectedTag() const { return selectedTag_; }

  private:
    void presentBackup();
    void presentRemoteControl();

    std::weak_ptr<MainTabBarView> view_;
    BrowserServices services_;
    std::shared_ptr<DiskViewController> fileManager_;
    std::shared_ptr<BackFileViewController> backup_;
    std::shared_ptr<IntelligentViewController> remoteControl_;
    std::filesystem::path photoRoot_;
    std::function<AudioOpenResult()> microphone_;
    Navigator* navigator_ = nullptr;
    int selectedTag_ = kFileManagerTag;
};

}  // namespace pd
