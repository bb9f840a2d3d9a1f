#pragma once
// The server list: searches the network, lists the computers found (remembered ones first),
// pairs with the one the user taps through the core controller, remembers every computer it
// paired with, and reconnects by itself to the last one when the application becomes active.
// Becoming active first asks the remembered computers at their last addresses (a unicast
// search), so they are listed and reconnected even where broadcasts do not arrive.

#include "NetWork/CFindBroadcast.h"
#include "controllers/AUTHViewController.h"
#include "controllers/Navigator.h"
#include "controllers/ServerListData.h"
#include "controllers/ServerView.h"
#include "core/AuthCoreDelegate.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pd {

class AuthCore;
class ObjectStore;
class UserDefaults;

class ServerViewController : public AuthCoreDelegate,
                             public AUTHViewControllerDelegate,
                             public std::enable_shared_from_this<ServerViewController> {
  public:
    static constexpr const char* kRunTagKey = "RUNTAG";

    // Everything the screen uses, so that tests can give it their own.
    struct Services {
        AuthCore& core;
        CFindBroadcast& finder;
        ObjectStore& store;
        UserDefaults& defaults;
        Navigator* navigator = nullptr;  // the tabs and the More screen; none in some tests
    };

    ServerViewController(std::weak_ptr<ServerView> view, Services services);
    void setView(std::weak_ptr<ServerView> view) { view_ = std::move(view); }
    ~ServerViewController() override;

    // Screen life. viewDidLoad shows the introduction on the first run of a version, else
    // starts a search; viewWillAppear makes the screen the core controller's delegate.
    void viewDidLoad();
    void viewWillAppear();
    void introFinished();

    void StartBroadCast();
    // A search that asks these computers (IPv4 addresses) instead of broadcasting; those that
    // answer join the list. Ignored while another search runs.
    void StartSearchAt(std::vector<std::string> hosts);
    void RefreshBn();
    void didSelectRow(std::size_t row);
    void CommondAuthCore(std::size_t row, const std::string& checkCode, bool remember);
    // Asks the remembered computers (unicast), lists those that answer, then reconnects to the
    // one paired last. While a search runs this waits for its end.
    void BecomeActiveNotification();
    // The link closed: a connect in progress has ended, and the tabs are gone.
    void linkClosed();
    // The computer paired last, if any.
    std::optional<std::string> lastDeviceTag() const;
    void SettingBn();
    void pushCheckView(std::size_t row);

    // A computer given by address instead of discovery (for example host:port:httpPort on the
    // command line); it is listed like a found one. Returns its row.
    std::size_t addServer(const ServerData& server);

    const std::vector<ServerListData>& serverListArr() const { return serverListArr_; }
    const std::string& curConnectServer() const { return curConnectServer_; }
    bool isSearching() const { return search_ != Search::None; }
    bool isConnecting() const { return connecting_; }
    std::optional<std::size_t> rowOfTag(const std::string& tag) const;

    // AuthCoreDelegate
    void AuthCoreCheckSucess(std::int64_t index, const std::string& checkCode, bool remember,
                             const std::string& deviceTag) override;
    void AuthCoreCheckSucess() override;
    void AuthCoreCheckError(std::int64_t index, const std::string& deviceTag) override;
    void AuthCoreConnectFailed() override;
    void AuthCoreCheckUnkowError() override {}

    // AUTHViewControllerDelegate
    void AUTHViewControllerFinish(AUTHViewController& screen, const std::string& checkCode,
                                  bool remember, std::int64_t listIndex) override;
    void AUTHViewControllerDidCancel(AUTHViewController& screen) override;

  private:
    enum class Search { None, Broadcast, Unicast };

    void searchFinished(const CFindBroadcast::ServerMap& found);
    void unicastFinished(const CFindBroadcast::ServerMap& found);
    // Starts the unicast search of the remembered computers; false when none has an address.
    bool askRememberedComputers();
    void startUnicast(std::vector<std::string> hosts, bool shown);
    void reconnectToLast();
    void markRows();
    std::shared_ptr<ServerView> view() const { return view_.lock(); }

    std::weak_ptr<ServerView> view_;
    Services services_;
    std::vector<ServerListData> serverListArr_;
    std::string curConnectServer_;
    Search search_ = Search::None;
    bool broadcastPending_ = false;  // a refresh asked for while the unicast search ran
    bool reconnectPending_ = false;  // became active while a search ran
    bool unicastShown_ = false;      // the running unicast search shows its progress
    bool connecting_ = false;
};

}  // namespace pd
