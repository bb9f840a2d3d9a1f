#pragma once
// The view of the tabs shown while a computer is connected.

#include "controllers/BackFileView.h"
#include "controllers/DiskView.h"
#include "controllers/IntelligentView.h"
#include "controllers/ScreenView.h"

#include <memory>
#include <string>
#include <vector>

namespace pd {

class BackFileViewController;
class DiskViewController;
class IntelligentViewController;

struct TabItem {
    int tag = 0;
    std::string titleKey;

    bool operator==(const TabItem&) const = default;
};

class MainTabBarView : public ScreenView {
  public:
    virtual void setTabs(const std::vector<TabItem>& /*tabs*/) {}
    virtual void setSelectedTab(int /*tag*/) {}
    // Shows the file manager in its tab; returns the view the drive screen drives (may be null).
    virtual std::shared_ptr<DiskView> presentFileManager(
        const std::shared_ptr<DiskViewController>& /*screen*/) {
        return nullptr;
    }
    // Shows the photo backup screen in its tab; returns the view it drives (may be null).
    virtual std::shared_ptr<BackFileView> presentBackup(
        const std::shared_ptr<BackFileViewController>& /*screen*/) {
        return nullptr;
    }
    // Shows the remote control panel in its tab; returns the view it drives (may be null).
    virtual std::shared_ptr<IntelligentView> presentRemoteControl(
        const std::shared_ptr<IntelligentViewController>& /*screen*/) {
        return nullptr;
    }
    // The tabs and every screen opened from them close (the link is gone).
    virtual void closeTabs() {}
};

}  // namespace pd
