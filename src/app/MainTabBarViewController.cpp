#include "app/MainTabBarViewController.h"

namespace pd {

namespace {

struct TabStat {
    int tag;
    int stat;
};
constexpr TabStat kTabStats[] = {{0, 9}, {1, 10}, {2, 11}};

}  // namespace

const std::vector<TabItem>& MainTabBarViewController::tabs() {
    static const std::vector<TabItem> items{
        {kFileManagerTag, "file manager"},
        {kBackupTag, "photo backup"},
        {kRemoteControlTag, "remote control"},
    };
    return items;
}

MainTabBarViewController::MainTabBarViewController(std::weak_ptr<MainTabBarView> view,
                                                   BrowserServices services)
    : view_(std::move(view)), services_(std::move(services)) {}

void MainTabBarViewController::viewDidLoad() {
    auto v = view_.lock();
    if (v) {
        v->setTabs(tabs());
        v->setSelectedTab(selectedTag_);
    }
    fileManager_ = std::make_shared<DiskViewController>(std::weak_ptr<DiskView>(), services_);
    if (v) {
        fileManager_->setView(v->presentFileManager(fileManager_));
    }
    fileManager_->viewDidLoad();
}

void MainTabBarViewController::tabBarDidSelectItem(int tag) {
    for (const TabStat& t : kTabStats) {
        if (t.tag == tag) {
            if (selectedTag_ == kRemoteControlTag && tag != kRemoteControlTag && remoteControl_) {
                remoteControl_->viewWillDisappear();
            }
            selectedTag_ = tag;
            if (auto v = view_.lock()) {
                v->setSelectedTab(tag);
            }
            services_.stat(t.stat);
            if (tag == kBackupTag) {
                presentBackup();
            } else if (tag == kRemoteControlTag) {
                presentRemoteControl();
            }
            return;
        }
    }
}

void MainTabBarViewController::presentBackup() {
    auto v = view_.lock();
    if (backup_) {
        if (v) {
            if (auto screenView = v->presentBackup(backup_)) {
                backup_->setView(screenView);
            }
        }
        backup_->viewDidAppear();
        return;
    }
    BackFileViewController::Options options;
    options.photoRoot = photoRoot_;
    backup_ = std::make_shared<BackFileViewController>(std::weak_ptr<BackFileView>(), services_,
                                                       nullptr, std::move(options));
    if (v) {
        backup_->setView(v->presentBackup(backup_));
    }
    backup_->viewDidLoad();
}

void MainTabBarViewController::presentRemoteControl() {
    auto v = view_.lock();
    const bool first = !remoteControl_;
    if (first) {
        IntelligentViewController::Options options;
        options.microphone = microphone_;
        remoteControl_ = std::make_shared<IntelligentViewController>(
            std::weak_ptr<IntelligentView>(), services_, std::move(options));
    }
    if (v) {
        if (auto screenView = v->presentRemoteControl(remoteControl_)) {
            remoteControl_->setView(screenView);
        }
    }
    if (first) {
        remoteControl_->viewDidLoad();
    } else {
        remoteControl_->viewWillAppear();
    }
}

void MainTabBarViewController::NetConnectClose() {
    if (auto v = view_.lock()) {
        v->closeTabs();
    }
    if (backup_) {
        backup_->DoBack();
    }
    if (remoteControl_) {
        remoteControl_->viewWillDisappear();
    }
    fileManager_.reset();
    backup_.reset();
    remoteControl_.reset();
}

}  // namespace pd
