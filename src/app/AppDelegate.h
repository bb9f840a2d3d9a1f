#pragma once
// The application object and composition root. It starts the process's services in order
// (logging, usage reports, the object store, the download service, the finished-file store),
// shows the server list first, opens the tabs after a pairing, and closes them when the link
// closes. A front-end creates one, implements AppView and the screens' views, runs the main
// queue (see app/MainLoop.h) and forwards "became active" and "entered background".
//
// Main queue only.

#include "app/AppView.h"
#include "app/MainTabBarViewController.h"
#include "controllers/BrowserServices.h"
#include "controllers/MoreTableViewController.h"
#include "controllers/Navigator.h"
#include "controllers/ServerViewController.h"
#include "core/PhoneFileService.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pd {

class CFindBroadcast;
class FinishedFileStore;
class ObjectStore;

struct AppConfig {
    // The phone's storage; empty: $POCKETDESK_HOME, else $XDG_DATA_HOME/pocketdesk.
    std::string home;
    bool verbose = false;
    // Search only this network interface (empty: the usual one) on this UDP port.
    std::string interfaceName;
    std::uint16_t discoveryPort = 6866;
    // Whether the server list searches when it first appears (a phone does; a command that
    // already knows its computer must not).
    bool searchOnLaunch = true;
    // The photo library's folder (empty: the default one).
    std::string photosDir;
    // Where a paired computer's hardware address is looked up (empty: the kernel's table).
    std::string neighbourTable;
    // Whether a link that drops is restored by itself (with the work on it).
    bool reconnect = true;
};

class AppDelegate : public Navigator {
  public:
    AppDelegate(std::shared_ptr<AppView> view, AppConfig config);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Start-up; shows the server list (which searches, or first shows the introduction).
    bool didFinishLaunchingWithOptions();
    void applicationDidBecomeActive();
    // Remembers the computer paired last, so the next start reconnects to it.
    void applicationDidEnterBackground();

    ObjectStore& managedObjectContext();
    // Where the object store and the user's files live.
    std::string applicationDocumentsDirectory() const;
    void saveContext();
    AuthCore& authCore();
    // What the browser and download-list screens need, for screens a front-end opens itself.
    BrowserServices browserServices();

    ServerViewController& serverList() { return *serverList_; }
    // The tabs while a computer is connected, else null.
    std::shared_ptr<MainTabBarViewController> mainTabs() const { return mainTabs_; }

    // The More screen while it is shown (or was shown last), else null.
    std::shared_ptr<MoreTableViewController> more() const { return more_; }

    // Navigator
    void showMainTabs() override;
    void showMore() override;
    void returnToServerList() override;

    // Each file command of the computer (list, fetch, delete) with its outcome, on the main
    // queue. The service answers the computer whether or not anyone observes it.
    void observePhoneFileCommands(std::function<void(const PhoneFileEvent&)> observer);

    // Names of the network interfaces a search can use.
    static std::vector<std::string> networkInterfaceNames();

  private:
    void networkClosed();
    void linkRecovery();
    // Asks the computer at `ip` where it listens now (its program may have restarted).
    void findComputerAgain(
        const std::string& ip, const std::string& deviceTag,
        std::function<void(std::optional<std::pair<std::int32_t, std::int32_t>>)> found);

    std::shared_ptr<AppView> view_;
    AppConfig config_;
    std::unique_ptr<CFindBroadcast> finder_;
    std::unique_ptr<FinishedFileStore> finished_;
    std::shared_ptr<ServerViewController> serverList_;
    std::shared_ptr<MainTabBarViewController> mainTabs_;
    std::shared_ptr<MoreTableViewController> more_;
    std::shared_ptr<PhoneFileService> phoneFiles_;
    std::uint64_t closedObserver_ = 0;
    std::uint64_t recoveryObserver_ = 0;
    bool reportsStarted_ = false;  // stopped with the application, before the process ends
};

}  // namespace pd
