#pragma once
// The front-end's side of the application: it shows the top-level screens the application
// object asks for and returns the view each screen will drive.

#include "app/MainTabBarView.h"
#include "controllers/MoreView.h"
#include "controllers/ServerView.h"
#include "core/LinkRecoveryState.h"

#include <memory>

namespace pd {

class MainTabBarViewController;
class MoreTableViewController;
class ServerViewController;

class AppView {
  public:
    virtual ~AppView() = default;

    // The first screen, and the one shown again when the link closes.
    virtual std::shared_ptr<ServerView> presentServerList(
        const std::shared_ptr<ServerViewController>& screen) = 0;
    // The tabs after a computer was paired.
    virtual std::shared_ptr<MainTabBarView> presentMainTabs(
        const std::shared_ptr<MainTabBarViewController>& /*screen*/) {
        return nullptr;
    }
    // The server list is in front again (the tabs were closed).
    virtual void showServerList() {}
    // The More screen, over whatever is in front; returns the view it drives (may be null).
    virtual std::shared_ptr<MoreView> presentMore(
        const std::shared_ptr<MoreTableViewController>& /*screen*/) {
        return nullptr;
    }
    // The link dropped and is being restored (the tabs stay), was restored, or could not be
    // (the server list follows). Shown over whatever is in front.
    virtual void showLinkRecovery(const LinkRecoveryState& /*state*/) {}
};

}  // namespace pd
