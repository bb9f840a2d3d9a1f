#pragma once
// The tabs shown while a computer is connected: the file manager (the drive screen and the
// folders it opens), the photo backup, the remote-control tab, and the download list, which
// the file manager's toolbar opens.

#include "BackupAdapter.h"
#include "DiskAdapter.h"
#include "DownloadsAdapter.h"
#include "OverlayScreen.h"
#include "RemoteControlAdapter.h"

#include "app/MainTabBarView.h"
#include "controllers/BrowserServices.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>

namespace pd {
class MainTabBarViewController;
}

namespace pd::gui {

class TabsAdapter : public QObject, public OverlayScreen<MainTabBarView> {
    Q_OBJECT
    Q_PROPERTY(QStringList titles READ titles NOTIFY changed)
    Q_PROPERTY(QVariantList tags READ tags NOTIFY changed)
    Q_PROPERTY(int selectedTag READ selectedTag NOTIFY changed)
    Q_PROPERTY(QObject* fileManager READ fileManager NOTIFY changed)
    Q_PROPERTY(QObject* downloads READ downloads NOTIFY downloadsChanged)
    // Null until the backup tab is first selected.
    Q_PROPERTY(QObject* backup READ backup NOTIFY backupChanged)
    // Null until the remote-control tab is first selected.
    Q_PROPERTY(QObject* remote READ remote NOTIFY remoteChanged)

  public:
    TabsAdapter(Overlay& overlay, std::weak_ptr<MainTabBarViewController> controller,
                std::function<BrowserServices()> services);

    Q_INVOKABLE void selectTab(int tag);
    Q_INVOKABLE void openDownloads();

    QStringList titles() const { return titles_; }
    QVariantList tags() const { return tags_; }
    int selectedTag() const { return selectedTag_; }
    QObject* fileManager() const { return fileManager_.get(); }
    QObject* downloads() const { return downloads_.get(); }
    QObject* backup() const { return backup_.get(); }
    QObject* remote() const { return remote_.get(); }
    RemoteControlAdapter* remoteScreen() const { return remote_.get(); }
    DiskAdapter* disk() const { return fileManager_.get(); }
    BackupAdapter* backupScreen() const { return backup_.get(); }
    DownloadsAdapter* downloadList() const { return downloads_.get(); }

    // MainTabBarView
    void setTabs(const std::vector<TabItem>& tabs) override;
    void setSelectedTab(int tag) override;
    std::shared_ptr<DiskView> presentFileManager(
        const std::shared_ptr<DiskViewController>& screen) override;
    std::shared_ptr<BackFileView> presentBackup(
        const std::shared_ptr<BackFileViewController>& screen) override;
    std::shared_ptr<IntelligentView> presentRemoteControl(
        const std::shared_ptr<IntelligentViewController>& screen) override;
    void closeTabs() override;

  signals:
    void changed();
    void downloadsChanged();
    void backupChanged();
    void remoteChanged();
    void closed();
    // A tab asked for the More screen.
    void moreRequested();

  private:
    std::weak_ptr<MainTabBarViewController> controller_;
    std::function<BrowserServices()> services_;
    QStringList titles_;
    QVariantList tags_;
    int selectedTag_ = 0;
    std::shared_ptr<DiskAdapter> fileManager_;
    std::shared_ptr<DownloadsAdapter> downloads_;
    std::shared_ptr<BackupAdapter> backup_;
    std::shared_ptr<RemoteControlAdapter> remote_;
};

}  // namespace pd::gui
