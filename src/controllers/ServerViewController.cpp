#include "controllers/ServerViewController.h"

#include "core/AuthCore.h"
#include "model/ObjectStore.h"
#include "model/PcList.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/ToolPackage.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace pd {

namespace {
constexpr std::chrono::seconds kTipDuration{2};
}

ServerViewController::ServerViewController(std::weak_ptr<ServerView> view, Services services)
    : view_(std::move(view)), services_(services) {}

ServerViewController::~ServerViewController() {
    services_.core.clearDelegate(this);
}

void ServerViewController::viewDidLoad() {
    serverListArr_.clear();
    curConnectServer_.clear();
    viewWillAppear();
    const auto runTag = services_.defaults.stringForKey(kRunTagKey);
    if (runTag && *runTag == ToolPackage::GetAppVersion()) {
        StartBroadCast();
    } else if (auto v = view()) {
        v->showIntro(4);
    }
    if (auto v = view()) {
        v->setHomeTip("homeUrlTip", "homeUrl");
    }
}

void ServerViewController::viewWillAppear() {
    services_.core.setDelegate(shared_from_this());
}

void ServerViewController::introFinished() {
    if (auto v = view()) {
        v->hideIntro();
    }
    services_.defaults.setString(kRunTagKey, ToolPackage::GetAppVersion());
    services_.defaults.synchronize();
    StartBroadCast();
}

void ServerViewController::RefreshBn() {
    services_.core.SubmitBnClickStat(3);
    StartBroadCast();
}

void ServerViewController::StartBroadCast() {
    if (auto v = view()) {
        v->setRefreshEnabled(false);
        v->setSpinning(true);
        v->showProgress("findPc");
    }
    if (search_ == Search::Unicast) {
        broadcastPending_ = true;  // one search at a time: this one follows
        return;
    }
    search_ = Search::Broadcast;
    std::weak_ptr<ServerViewController> weak = weak_from_this();
    // Registered before the search starts, so even a search that ends at once reports.
    services_.finder.BdCastfinishBlock([weak](CFindBroadcast::ServerMap found) {
        MainQueue::shared().async([weak, found = std::move(found)] {
            if (auto self = weak.lock()) {
                self->searchFinished(found);
            }
        });
    });
    services_.finder.FindServerList();
}

void ServerViewController::searchFinished(const CFindBroadcast::ServerMap& found) {
    search_ = Search::None;
    if (!found.empty()) {
        std::vector<ServerListData> rows;
        rows.reserve(found.size());
        for (const auto& [key, server] : found) {
            rows.push_back(ServerListData::ServerListWifhObj(server));
        }
        serverListArr_ = std::move(rows);
        markRows();
        if (auto v = view()) {
            v->reloadRows(serverListArr_);
            v->setFoundTip(serverListArr_.size(), "canConnectPc");
        }
    }
    if (auto v = view()) {
        v->setSpinning(false);
        v->hideProgress();
        v->setRefreshEnabled(true);
    }
    if (reconnectPending_) {
        // The broadcast may have found the last computer; if not, ask the remembered ones.
        const auto last = services_.core.ReadLastDeviceTag();
        if ((last && rowOfTag(*last)) || !askRememberedComputers()) {
            reconnectToLast();
        }
    }
}

bool ServerViewController::askRememberedComputers() {
    std::vector<std::string> hosts;
    for (const auto& record : allPcList(services_.store)) {
        if (!record->ipAddress.empty()) {
            hosts.push_back(record->ipAddress);
        }
    }
    if (hosts.empty()) {
        return false;
    }
    startUnicast(std::move(hosts), false);
    return true;
}

void ServerViewController::StartSearchAt(std::vector<std::string> hosts) {
    if (search_ != Search::None) {
        return;
    }
    if (auto v = view()) {
        v->setRefreshEnabled(false);
        v->setSpinning(true);
        v->showProgress("findPc");
    }
    startUnicast(std::move(hosts), true);
}

void ServerViewController::startUnicast(std::vector<std::string> hosts, bool shown) {
    search_ = Search::Unicast;
    unicastShown_ = shown;
    std::weak_ptr<ServerViewController> weak = weak_from_this();
    services_.finder.BdCastfinishBlock([weak](CFindBroadcast::ServerMap found) {
        MainQueue::shared().async([weak, found = std::move(found)] {
            if (auto self = weak.lock()) {
                self->unicastFinished(found);
            }
        });
    });
    services_.finder.FindServersAt(std::move(hosts));
}

// The computers that answered join the list (replacing their own rows); nobody else's row goes.
void ServerViewController::unicastFinished(const CFindBroadcast::ServerMap& found) {
    search_ = Search::None;
    for (const auto& [key, server] : found) {
        const auto row = rowOfTag(server.DeviceNameTag);
        if (row) {
            serverListArr_[*row] = ServerListData::ServerListWifhObj(server);
        } else {
            serverListArr_.push_back(ServerListData::ServerListWifhObj(server));
        }
    }
    auto v = view();
    if (!found.empty()) {
        markRows();
        if (v) {
            v->reloadRows(serverListArr_);
        }
    }
    if (std::exchange(unicastShown_, false) && v) {
        if (!found.empty()) {
            v->setFoundTip(found.size(), "canConnectPc");
        }
        v->setSpinning(false);
        v->hideProgress();
        v->setRefreshEnabled(true);
    }
    if (reconnectPending_) {
        reconnectToLast();
    }
    if (std::exchange(broadcastPending_, false)) {
        StartBroadCast();
    }
}

// Remembered computers first; by name within each group so the order is stable.
void ServerViewController::markRows() {
    for (auto& row : serverListArr_) {
        auto record = pcListByDeviceTag(services_.store, row.serverData.DeviceNameTag);
        row.known = record != nullptr;
        row.remembered = record && record->bcheck;
        row.current =
            !curConnectServer_.empty() && row.serverData.DeviceNameTag == curConnectServer_;
    }
    std::stable_sort(serverListArr_.begin(), serverListArr_.end(),
                     [](const ServerListData& a, const ServerListData& b) {
                         if (a.known != b.known)
                             return a.known;
                         return a.serverData.DeviceName < b.serverData.DeviceName;
                     });
}

std::size_t ServerViewController::addServer(const ServerData& server) {
    serverListArr_.push_back(ServerListData::ServerListWifhObj(server));
    markRows();
    if (auto v = view()) {
        v->reloadRows(serverListArr_);
    }
    return *rowOfTag(server.DeviceNameTag);
}

std::optional<std::size_t> ServerViewController::rowOfTag(const std::string& tag) const {
    for (std::size_t i = 0; i < serverListArr_.size(); ++i) {
        if (serverListArr_[i].serverData.DeviceNameTag == tag) {
            return i;
        }
    }
    return std::nullopt;
}

void ServerViewController::didSelectRow(std::size_t row) {
    if (row >= serverListArr_.size()) {
        return;
    }
    const std::string tag = serverListArr_[row].serverData.DeviceNameTag;
    auto proceed = [weak = weak_from_this(), tag] {
        auto self = weak.lock();
        if (!self)
            return;
        // Look the row up again: the list may have been refreshed while the question was open.
        auto now = self->rowOfTag(tag);
        if (!now)
            return;
        auto record = pcListByDeviceTag(self->services_.store, tag);
        if (record && record->bcheck) {
            self->CommondAuthCore(*now, record->checkCode, record->bcheck);
        } else {
            self->CommondAuthCore(*now, "", true);
        }
    };
    if (!curConnectServer_.empty() && curConnectServer_ != tag) {
        if (auto v = view()) {
            v->askConfirmation("switchPc", {"cancel", "ok"}, [proceed](int answer) {
                if (answer == 1)
                    proceed();
            });
        }
        return;
    }
    proceed();
}

void ServerViewController::CommondAuthCore(std::size_t row, const std::string& checkCode,
                                           bool remember) {
    if (row >= serverListArr_.size()) {
        return;
    }
    const ServerData& server = serverListArr_[row].serverData;
    if (auto v = view()) {
        v->showProgress("connecting");
    }
    int mode = 2;
    if (curConnectServer_.empty()) {
        mode = 1;
    } else if (curConnectServer_ == server.DeviceNameTag) {
        mode = 0;
    } else {
        services_.core.SubmitBnClickStat(8);
    }
    ConnectTarget target;
    target.serverIp = server.IP;
    target.port = server.WSAPPort;
    target.checkCode = checkCode;
    target.pcName = server.DeviceName;
    target.bRemember = remember;
    target.nServerDataIndex = static_cast<std::int64_t>(row);
    target.deviceTag = server.DeviceNameTag;
    target.httpPort = server.HttpPort;
    services_.core.setDelegate(shared_from_this());
    connecting_ = true;
    services_.core.ConnetctPcServer(mode, target);
}

void ServerViewController::AuthCoreCheckSucess(std::int64_t, const std::string& checkCode,
                                               bool remember, const std::string& deviceTag) {
    connecting_ = false;
    const auto now = std::chrono::system_clock::now();
    bool saved;
    if (auto record = pcListByDeviceTag(services_.store, deviceTag)) {
        // A pairing that changes nothing remembered writes nothing: a read-only command that
        // connects must not cost a database transaction.
        const bool unchanged = record->bcheck == remember && record->checkCode == checkCode;
        saved = unchanged || updatePcList(services_.store, *record, remember, checkCode, now);
    } else {
        saved = addPcList(services_.store, deviceTag, remember, checkCode, now);
    }
    if (!saved) {
        PD_LOG_WARN("could not save the remembered computer {}; kept for this run", deviceTag);
    }
    curConnectServer_ = deviceTag;
    markRows();
    if (auto v = view()) {
        v->reloadRows(serverListArr_);
        v->hideProgress();
        v->pairingEnded(PairingOutcome::Paired);
    }
    if (services_.navigator) {
        services_.navigator->showMainTabs();
    }
    services_.core.SubmitBnClickStat(5);
}

void ServerViewController::AuthCoreCheckSucess() {
    connecting_ = false;
    if (auto v = view()) {
        v->hideProgress();
        v->pairingEnded(PairingOutcome::KeptLink);
    }
    if (services_.navigator) {
        services_.navigator->showMainTabs();
    }
}

void ServerViewController::linkClosed() {
    const bool wasConnecting = connecting_;
    connecting_ = false;
    if (auto v = view()) {
        if (wasConnecting) {
            v->hideProgress();
            v->showTip("connection failed", kTipDuration);
        }
        v->pairingEnded(PairingOutcome::LinkClosed);
    }
}

std::optional<std::string> ServerViewController::lastDeviceTag() const {
    return services_.core.ReadLastDeviceTag();
}

void ServerViewController::AuthCoreCheckError(std::int64_t, const std::string& deviceTag) {
    connecting_ = false;
    if (auto v = view()) {
        v->hideProgress();
        v->showTip("pc Rejected", kTipDuration);
        v->pairingEnded(PairingOutcome::Refused);
    }
    services_.core.SubmitBnClickStat(6);
    // Offer to enter the computer's check code for that row.
    if (auto row = rowOfTag(deviceTag)) {
        pushCheckView(*row);
    }
}

void ServerViewController::AuthCoreConnectFailed() {
    connecting_ = false;
    if (auto v = view()) {
        v->hideProgress();
        v->showTip("connection failed", kTipDuration);
        v->pairingEnded(PairingOutcome::ConnectionFailed);
    }
}

void ServerViewController::BecomeActiveNotification() {
    AuthCore& core = services_.core;
    if (core.hasAcceptedLink() || core.isConnecting() || connecting_) {
        // Nothing to restore; the screen in front (the tabs' file manager) keeps the core's
        // answers, or its listing would be lost.
        return;
    }
    core.setDelegate(shared_from_this());
    reconnectPending_ = true;
    if (search_ != Search::None) {
        return;  // its end reconnects
    }
    if (!askRememberedComputers()) {
        reconnectToLast();
    }
}

void ServerViewController::reconnectToLast() {
    reconnectPending_ = false;
    AuthCore& core = services_.core;
    // The user may have connected while the search ran.
    if (core.hasAcceptedLink() || core.isConnecting() || connecting_) {
        return;
    }
    const auto last = core.ReadLastDeviceTag();
    if (!last || last->empty()) {
        return;
    }
    const auto row = rowOfTag(*last);
    if (!row) {
        return;
    }
    auto record = pcListByDeviceTag(services_.store, *last);
    if (record && record->bcheck) {
        CommondAuthCore(*row, record->checkCode, record->bcheck);
    }
}

void ServerViewController::SettingBn() {
    if (services_.navigator) {
        services_.navigator->showMore();
    }
}

void ServerViewController::pushCheckView(std::size_t row) {
    if (row >= serverListArr_.size()) {
        return;
    }
    if (auto v = view()) {
        v->presentCheckCode(static_cast<std::int64_t>(row),
                            serverListArr_[row].serverData.DeviceNameTag);
    }
}

void ServerViewController::AUTHViewControllerFinish(AUTHViewController& screen,
                                                    const std::string& checkCode, bool remember,
                                                    std::int64_t) {
    if (auto v = view()) {
        v->dismissCheckCode();
    }
    // The row is found by tag: the list may have changed while the code was typed.
    if (auto row = rowOfTag(screen.deviceTag())) {
        CommondAuthCore(*row, checkCode, remember);
    }
}

void ServerViewController::AUTHViewControllerDidCancel(AUTHViewController&) {
    if (auto v = view()) {
        v->dismissCheckCode();
    }
}

}  // namespace pd
