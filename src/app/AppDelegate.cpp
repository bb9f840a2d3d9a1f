#include "app/AppDelegate.h"

#include "NetWork/CFindBroadcast.h"
#include "NetWork/HttpDownloader.h"
#include "app/UsageReports.h"
#include "app/WakeComputer.h"
#include "core/AuthCore.h"
#include "core/DownloadService.h"
#include "core/FinishedFileStore.h"
#include "core/Settings.h"
#include "model/ObjectStore.h"
#include "platform/AppHome.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NeighbourTable.h"
#include "platform/NetworkInterfaces.h"
#include "platform/NotificationCenter.h"
#include "platform/PhotoLibrary.h"
#include "platform/SandboxHelper.h"
#include "platform/UserDefaults.h"
#include "services/OnlineReport.h"

#include <utility>

namespace pd {

AppDelegate::AppDelegate(std::shared_ptr<AppView> view, AppConfig config)
    : view_(std::move(view)), config_(std::move(config)) {}

AppDelegate::~AppDelegate() {
    if (closedObserver_ != 0) {
        NotificationCenter::defaultCenter().removeObserver(closedObserver_);
    }
    if (recoveryObserver_ != 0) {
        NotificationCenter::defaultCenter().removeObserver(recoveryObserver_);
        authCore().setComputerFinder(nullptr);
        DownloadService::sharedNetworkQueue().setRelinker(nullptr);
    }
    if (phoneFiles_) {
        setPhoneMgrCommandFactory(nullptr);
        phoneFiles_->setObserver(nullptr);
    }
    more_.reset();
    mainTabs_.reset();
    serverList_.reset();
    if (reportsStarted_) {
        OnlineReport::ShareInstance().stop();
    }
    if (finished_) {
        setHttpDownloader(nullptr);
    }
}

bool AppDelegate::didFinishLaunchingWithOptions() {
    // 1. Logging.
    log::setup(config_.verbose ? spdlog::level::debug : spdlog::level::warn);
    if (!config_.home.empty()) {
        AppHome::set(config_.home);
    }
    // --photos, else the folder chosen in the settings, else the platform's.
    if (!config_.photosDir.empty()) {
        PhotoLibrary::setDefaultRoot(std::filesystem::path(config_.photosDir));
    } else if (auto folder = Settings::standard().photoFolder()) {
        PhotoLibrary::setDefaultRoot(std::filesystem::path(*folder));
    }
    // 2. Usage reports: only when the user has named a report service.
    reportsStarted_ = startUsageReports(Settings::standard(), OnlineReport::ShareInstance());
    // 3. The object store, opened now so that a damaged file is set aside before any screen.
    managedObjectContext();
    // 4. The download service behind the facade, and the record of finished downloads.
    setHttpDownloader(&DownloadService::sharedNetworkQueue());
    finished_ = std::make_unique<FinishedFileStore>(
        managedObjectContext(), NotificationCenter::defaultCenter(),
        [] { return AuthCore::ShareInstance().deviceTag; });
    closedObserver_ = NotificationCenter::defaultCenter().addObserver(
        AuthCore::kNetworkClosedNotification,
        [this](const std::string&, const UserInfo&) { networkClosed(); });
    // A link that drops is restored with its work: downloads wait for new signed links.
    authCore().setAutoReconnect(config_.reconnect);
    recoveryObserver_ = NotificationCenter::defaultCenter().addObserver(
        AuthCore::kLinkRecoveryNotification,
        [this](const std::string&, const UserInfo&) { linkRecovery(); });
    authCore().setComputerFinder([this](const std::string& ip, const std::string& tag, auto found) {
        findComputerAgain(ip, tag, found);
    });
    DownloadService::sharedNetworkQueue().setRelinker([](const std::string& remotePath) {
        return AuthCore::ShareInstance().relinkDownload(remotePath);
    });
    // The computer's file commands (message 100) from here on.
    phoneFiles_ = PhoneFileService::create(PhoneFileService::standardServices());
    setPhoneMgrCommandFactory([service = phoneFiles_] { return service->makeCommand(); });

    // 5. The first screen.
    DiscoveryOptions discovery;
    discovery.interfaces = std::make_shared<SystemNetworkInterfaces>();
    discovery.interfaceName = config_.interfaceName;
    discovery.port = config_.discoveryPort;
    finder_ = std::make_unique<CFindBroadcast>(discovery);
    serverList_ = std::make_shared<ServerViewController>(
        std::weak_ptr<ServerView>(),
        ServerViewController::Services{AuthCore::ShareInstance(), *finder_, managedObjectContext(),
                                       UserDefaults::standard(), this});
    serverList_->setView(view_->presentServerList(serverList_));
    if (config_.searchOnLaunch) {
        serverList_->viewDidLoad();
    } else {
        serverList_->viewWillAppear();
    }
    return true;
}

void AppDelegate::applicationDidBecomeActive() {
    if (serverList_) {
        serverList_->BecomeActiveNotification();
    }
}

void AppDelegate::applicationDidEnterBackground() {
    // Only a computer chosen in this run is remembered: a run that paired with none must not
    // forget the one paired before.
    AuthCore& core = authCore();
    if (!core.deviceTag.empty()) {
        core.SaveLastDeviceTag();
    }
}

ObjectStore& AppDelegate::managedObjectContext() {
    return ObjectStore::shared();
}

std::string AppDelegate::applicationDocumentsDirectory() const {
    return SandboxHelper::docPath();
}

void AppDelegate::saveContext() {
    if (!managedObjectContext().saveContext()) {
        PD_LOG_WARN("could not save the object store; the changes are kept for a later save");
    }
}

AuthCore& AppDelegate::authCore() {
    return AuthCore::ShareInstance();
}

BrowserServices AppDelegate::browserServices() {
    return BrowserServices{authCore(), *finished_, {}};
}

void AppDelegate::showMainTabs() {
    // The computer is awake and linked now: learn how to wake it later.
    app::rememberLinkedComputer(
        managedObjectContext(), authCore(),
        config_.neighbourTable.empty() ? NeighbourTable() : NeighbourTable(config_.neighbourTable));
    if (mainTabs_) {
        return;  // already shown (a kept link)
    }
    mainTabs_ = std::make_shared<MainTabBarViewController>(std::weak_ptr<MainTabBarView>(),
                                                           browserServices());
    auto tabs = mainTabs_;
    tabs->setNavigator(this);
    tabs->setView(view_->presentMainTabs(tabs));
    tabs->viewDidLoad();
}

void AppDelegate::showMore() {
    more_ = std::make_shared<MoreTableViewController>(
        std::weak_ptr<MoreView>(), MoreTableViewController::standardServices(this));
    auto more = more_;
    more->setView(view_->presentMore(more));
    more->viewDidLoad();
    more->viewWillAppear();
}

void AppDelegate::returnToServerList() {
    more_.reset();
    // The link stays: picking the same computer again opens new tabs on it.
    if (auto tabs = std::exchange(mainTabs_, nullptr)) {
        tabs->NetConnectClose();
    }
    view_->showServerList();
}

void AppDelegate::observePhoneFileCommands(std::function<void(const PhoneFileEvent&)> observer) {
    if (!phoneFiles_) {
        return;
    }
    if (!observer) {
        phoneFiles_->setObserver(nullptr);
        return;
    }
    phoneFiles_->setObserver([observer = std::move(observer)](const PhoneFileEvent& event) {
        MainQueue::shared().async([observer, event] { observer(event); });
    });
}

void AppDelegate::networkClosed() {
    if (auto tabs = std::exchange(mainTabs_, nullptr)) {
        tabs->NetConnectClose();
    }
    if (serverList_) {
        serverList_->linkClosed();
    }
    view_->showServerList();
}

void AppDelegate::linkRecovery() {
    view_->showLinkRecovery(authCore().linkRecoveryState());
}

void AppDelegate::findComputerAgain(
    const std::string& ip, const std::string& deviceTag,
    std::function<void(std::optional<std::pair<std::int32_t, std::int32_t>>)> found) {
    // Asked at its own address: a restarted program may listen on other ports, and a search
    // of the whole network could reach computers the user never chose.
    finder_->BdCastfinishBlock([deviceTag, found](CFindBroadcast::ServerMap servers) {
        std::optional<std::pair<std::int32_t, std::int32_t>> ports;
        for (const auto& [key, server] : servers) {
            if (server.DeviceNameTag == deviceTag && server.WSAPPort > 0) {
                ports = std::make_pair(server.WSAPPort, server.HttpPort);
            }
        }
        MainQueue::shared().async([found, ports] { found(ports); });
    });
    finder_->FindServersAt({ip});
}

std::vector<std::string> AppDelegate::networkInterfaceNames() {
    std::vector<std::string> names;
    for (const NetInterface& i : SystemNetworkInterfaces().interfaces()) {
        names.push_back(i.name);
    }
    return names;
}

}  // namespace pd
