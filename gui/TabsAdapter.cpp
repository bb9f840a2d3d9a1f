#include "TabsAdapter.h"

#include "app/MainTabBarViewController.h"
#include "controllers/FileDownViewController.h"

namespace pd::gui {

TabsAdapter::TabsAdapter(Overlay& overlay, std::weak_ptr<MainTabBarViewController> controller,
                         std::function<BrowserServices()> services)
    : OverlayScreen(overlay), controller_(std::move(controller)), services_(std::move(services)) {}

void TabsAdapter::selectTab(int tag) {
    if (auto c = controller_.lock()) {
        c->tabBarDidSelectItem(tag);
    }
}

void TabsAdapter::openDownloads() {
    if (downloads_) {
        return;
    }
    downloads_ = makeAdapter(new DownloadsAdapter(overlay_));
    auto controller = std::make_shared<FileDownViewController>(downloads_, services_());
    downloads_->setController(controller);
    connect(downloads_.get(), &DownloadsAdapter::closed, this, [this] {
        downloads_.reset();
        emit downloadsChanged();
        // The file manager is in front again.
        if (fileManager_) {
            if (auto c = controller_.lock(); c && c->fileManager()) {
                c->fileManager()->viewWillAppear();
            }
        }
    });
    emit downloadsChanged();
    controller->viewDidLoad();
}

void TabsAdapter::setTabs(const std::vector<TabItem>& tabs) {
    titles_.clear();
    tags_.clear();
    for (const auto& t : tabs) {
        titles_ << displayText(t.titleKey);
        tags_ << t.tag;
    }
    emit changed();
}

void TabsAdapter::setSelectedTab(int tag) {
    selectedTag_ = tag;
    emit changed();
}

std::shared_ptr<DiskView> TabsAdapter::presentFileManager(
    const std::shared_ptr<DiskViewController>& screen) {
    fileManager_ = makeAdapter(new DiskAdapter(overlay_, screen));
    connect(fileManager_.get(), &DiskAdapter::moreRequested, this, &TabsAdapter::moreRequested);
    emit changed();
    return fileManager_;
}

std::shared_ptr<BackFileView> TabsAdapter::presentBackup(
    const std::shared_ptr<BackFileViewController>& screen) {
    // Selecting the tab again presents the same screen again.
    if (!backup_ || backup_->controller() != screen) {
        backup_ = makeAdapter(new BackupAdapter(overlay_, screen));
        emit backupChanged();
    }
    return backup_;
}

std::shared_ptr<IntelligentView> TabsAdapter::presentRemoteControl(
    const std::shared_ptr<IntelligentViewController>& screen) {
    // Selecting the tab again shows the same panel, as it was left.
    if (!remote_ || remote_->controller() != screen) {
        remote_ = makeAdapter(new RemoteControlAdapter(overlay_, screen));
        connect(remote_.get(), &RemoteControlAdapter::moreRequested, this,
                &TabsAdapter::moreRequested);
        emit remoteChanged();
    }
    return remote_;
}

void TabsAdapter::closeTabs() {
    if (downloads_) {
        downloads_->back();
    }
    emit closed();
}

}  // namespace pd::gui
