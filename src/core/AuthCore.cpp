#include "core/AuthCore.h"

#include "services/UpgradeDevInfo.h"

#include "codec/LinkCodes.h"
#include "core/Settings.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "services/OnlineReport.h"

#include <charconv>
#include <ctime>
#include <mutex>

namespace pd {

AuthCore& AuthCore::ShareInstance() {
    static AuthCore* instance = new AuthCore();  // lives to the end of the process
    return *instance;
}

AuthCore::AuthCore() : batch_(std::make_unique<PhotoBackupBatch>(*this)) {
    upload_.setFinishBlock([this](const std::string& name, UploadOutcome outcome) {
        if (auto block = uploadFinishBlock_) {
            block(name, outcome);
        }
        batch_->uploadEnded(outcome);
    });
    setReconnectDelays(nullptr);
}

void AuthCore::setReconnectDelays(std::function<std::chrono::milliseconds(int)> delays) {
    reconnectDelays_ = delays;
    LinkRecovery::Hooks hooks;
    hooks.connect = [this] { reconnectAttempt(); };
    hooks.search = [this](std::function<void()> done) { searchForComputer(std::move(done)); };
    hooks.report = [this](const LinkRecoveryState& state) { recoveryReport(state); };
    hooks.gaveUp = [this] { recoveryEnded(); };
    hooks.delayBefore = std::move(delays);
    recovery_.setHooks(std::move(hooks));
}

namespace {

// Requests leave for the link in the order they were made.
SerialQueue& requestQueue() {
    static SerialQueue* const queue = new SerialQueue("requests");  // lives to the end
    return *queue;
}

}  // namespace

bool AuthCore::AddHttpDownTask(const std::string& path, std::uint64_t expectedSize,
                               std::uint64_t modifyTime) {
    auto mgr = serverManager_;
    return mgr && linkAccepted_ &&
           mgr->DownFileFromHttp(serverIp, path, httpPort, expectedSize, modifyTime, deviceTag);
}

void AuthCore::StopPreviewTask(const std::string& url) {
    if (HttpDownloader* downloader = httpDownloader()) {
        downloader->stopPreview(url);
    }
}

bool AuthCore::AddHttpDownTaskV2(const std::string& path,
                                 std::weak_ptr<DownloadServiceDelegate> delegate,
                                 std::uint64_t expectedSize, std::uint64_t modifyTime) {
    auto mgr = serverManager_;
    return mgr && linkAccepted_ &&
           mgr->DownFileFromHttpV2(serverIp, httpPort, path, std::move(delegate), expectedSize,
                                   modifyTime, deviceTag);
}

void AuthCore::PauseHttpDownTask(const std::string& url) {
    if (HttpDownloader* downloader = httpDownloader()) {
        downloader->pauseDownload(url);  // works after the link is gone, too
    }
}

void AuthCore::clearDelegate(const AuthCoreDelegate* d) {
    if (delegate_.lock().get() == d) {
        delegate_.reset();
    }
}

void AuthCore::ResetServer() {
    if (recovery_.active()) {
        recovery_.cancel();
        batch_->abandon();
    }
    endLink(false);
}

void AuthCore::endLink(bool keepWork) {
    if (keepWork) {
        batch_->suspend();  // before the channel reports its item as cut off
    }
    upload_.linkEnded();
    phoneFiles_.setComputer({});
    batch_->linkEnded();
    phoneFiles_.cancel();
    serverManager_.reset();  // ends the link; the loop leaves at its next step
    linkAccepted_ = false;
    ++generation_;
}

AuthCore::Relink AuthCore::relinkDownload(const std::string& path) const {
    if (hasAcceptedLink()) {
        return {Relink::Kind::Url, CreateHttpUrl(path)};
    }
    return {recovery_.active() ? Relink::Kind::Wait : Relink::Kind::Gone, {}};
}

void AuthCore::linkDropped() {
    endLink(true);
    recovery_.begin(pcName.empty() ? serverIp : pcName);
}

void AuthCore::reconnectAttempt() {
    bNetNormalStop = true;
    startLink();
}

void AuthCore::searchForComputer(std::function<void()> done) {
    if (!computerFinder_) {
        done();
        return;
    }
    computerFinder_(
        serverIp, deviceTag,
        [this, done = std::move(done)](std::optional<std::pair<std::int32_t, std::int32_t>> ports) {
            if (ports && recovery_.active()) {
                PD_LOG_INFO("found {} again on ports {} and {}", pcName, ports->first,
                            ports->second);
                port = ports->first;
                httpPort = ports->second;
            }
            done();
        });
}

void AuthCore::linkRestored() {
    linkAccepted_ = true;
    std::size_t downloads = 0;
    if (HttpDownloader* downloader = httpDownloader()) {
        downloads = downloader->resumeAfterReconnect();
    }
    const bool backup = batch_->suspended();
    batch_->resume();
    std::string detail;
    if (downloads > 0) {
        detail = std::to_string(downloads) +
                 (downloads == 1 ? " download resumes" : " downloads resume");
    }
    if (backup && batch_->running()) {
        detail += std::string(detail.empty() ? "" : "; ") + "the backup goes on at photo " +
                  std::to_string(batch_->cursor() + 1) + " of " +
                  std::to_string(batch_->photoTmpArr().size());
    }
    recovery_.succeeded(detail.empty() ? "linked again" : detail);
}

void AuthCore::recoveryEnded() {
    batch_->abandon();
    endLink(false);
    NotificationCenter::defaultCenter().postNow(kNetworkClosedNotification);
}

void AuthCore::recoveryReport(const LinkRecoveryState& state) {
    recoveryState_ = state;
    NotificationCenter::defaultCenter().postNow(kLinkRecoveryNotification);
}

bool AuthCore::ConnetctPcServer(int mode, const ConnectTarget& target) {
    serverIp = target.serverIp;
    port = target.port;
    checkCode = target.checkCode;
    pcName = target.pcName;
    bRemember = target.bRemember;
    nServerDataIndex = target.nServerDataIndex;
    deviceTag = target.deviceTag;
    httpPort = target.httpPort;
    return ConnetctPcServer(mode);
}

bool AuthCore::ConnetctPcServer(int mode) {
    if (mode == 0 && hasAcceptedLink()) {
        if (auto d = delegate()) {
            d->AuthCoreCheckSucess();
        }
        return true;
    }
    ResetServer();
    // A refused code earlier must not hide the failure of this new attempt.
    bNetNormalStop = true;
    startLink();
    return true;
}

void AuthCore::startLink() {
    auto mgr = std::make_shared<CServerManager>(
        LinkIdentity{UpgradeDevInfo::PlatformString(), UpgradeDevInfo::GetUUID()});
    serverManager_ = mgr;
    phoneFiles_.setComputer(serverIp);
    const std::uint64_t gen = generation_;
    RegisterNetConnectClosed(mgr, gen);

    const std::int64_t index = nServerDataIndex;
    const std::string code = checkCode;
    const bool remember = bRemember;
    const std::string tag = deviceTag;
    std::weak_ptr<LinkState> link = mgr->netMgr.state();
    mgr->WaitFileCommandResutBlock([link, gen, index, code, remember, tag] {
        auto state = link.lock();
        if (!state) {
            return;
        }
        const LinkResults results = state->snapshot();
        MainQueue::shared().async([gen, index, code, remember, tag, results] {
            AuthCore& core = ShareInstance();
            if (gen != core.generation_) {
                return;  // an answer of a link that was replaced or released
            }
            if (core.recovery_.active()) {
                if (results.errorCode == 0 && results.authSucess) {
                    core.linkRestored();
                } else {
                    // Only the user can give the computer's new code.
                    core.endLink(true);
                    core.recovery_.giveUp("the computer refused the remembered check code");
                }
                return;
            }
            if (results.errorCode == 0 && results.authSucess) {
                core.linkAccepted_ = true;
                if (auto d = core.delegate()) {
                    d->AuthCoreCheckSucess(index, code, remember, tag);
                }
            } else {
                core.bNetNormalStop = false;
                core.ResetServer();
                if (auto d = core.delegate()) {
                    d->AuthCoreCheckError(index, tag);
                }
            }
        });
    });

    // The link thread: a serial queue of its own, gone when the link ends.
    auto queue = std::make_shared<SerialQueue>("ConnectServer");
    auto task = mgr->netMgr.ConnectTask(serverIp, port, checkCode);
    queue->async([queue, task]() mutable {
        task();
        task = nullptr;
    });
}

void AuthCore::RegisterNetConnectClosed(const std::shared_ptr<CServerManager>& mgr,
                                        std::uint64_t gen) {
    mgr->CNetClassMgrBlock([gen](int state) {
        MainQueue::shared().async([gen, state] {
            AuthCore& core = ShareInstance();
            if (gen != core.generation_) {
                return;
            }
            if (core.recovery_.active()) {
                // An attempt that did not link (refused connection, closed handshake).
                core.endLink(true);
                core.recovery_.attemptFailed();
                return;
            }
            if (state == 0 && core.linkAccepted_ && core.autoReconnect_) {
                core.linkDropped();
                return;
            }
            if (state == 0) {
                core.ResetServer();
                NotificationCenter::defaultCenter().postNow(kNetworkClosedNotification);
            } else if (state == 1) {
                // The connection was not made: this attempt is over.
                core.ResetServer();
                if (core.bNetNormalStop) {
                    if (auto d = core.delegate()) {
                        d->AuthCoreConnectFailed();
                    }
                }
            }
        });
    });
}

void AuthCore::request(std::function<void(CServerManager&)> send,
                       std::function<void(const LinkResults&)> onMain, bool wifiSlot,
                       std::function<bool(const LinkResults&)> filterOnLink) {
    auto mgr = serverManager_;
    if (!mgr || recovery_.active()) {
        return;  // no link (or one still being restored): no effect, no callback
    }
    const std::uint64_t gen = generation_;
    std::weak_ptr<LinkState> link = mgr->netMgr.state();
    Block callback = [link, gen, onMain = std::move(onMain), filter = std::move(filterOnLink)] {
        auto state = link.lock();
        if (!state) {
            return;
        }
        // Read on the link thread, before the next answer can change the store.
        LinkResults results = state->snapshot();
        if (filter && !filter(results)) {
            return;
        }
        MainQueue::shared().async([gen, onMain, results = std::move(results)] {
            if (gen == ShareInstance().generation_) {
                onMain(results);
            }
        });
    };
    if (wifiSlot) {
        mgr->CNetWifiBlock(std::move(callback));
    } else {
        mgr->WaitFileCommandResutBlock(std::move(callback));
    }
    // The request holds its own reference to the facade while it is submitted.
    requestQueue().async([mgr, send = std::move(send)] { send(*mgr); });
}

void AuthCore::listed(const LinkResults& r, bool classListing) {
    auto d = delegate();
    if (r.errorCode == 0) {
        auto rows = std::make_shared<std::vector<DirAndFileListData>>();
        if (classListing) {
            rows->reserve(r.fileClassify->size());
            for (const auto& item : *r.fileClassify) {
                rows->push_back(DirAndFileListData::DirAndFileListWifhObj(item));
            }
        } else {
            rows->reserve(r.fileInfo->size());
            for (const auto& item : *r.fileInfo) {
                rows->push_back(DirAndFileListData::DirAndFileListWifhObj(item));
            }
        }
        lastListing_ = std::move(rows);
        if (serverManager_) {
            serverManager_->ReleaseListings(r);  // the rows above are the only copy needed
        }
        if (d)
            d->AuthCoreListSucess(lastListing_);
    } else if (r.errorCode == 2 && !classListing) {
        if (d)
            d->AuthCoreCheckError(nServerDataIndex, deviceTag);
    } else if (d) {
        d->AuthCoreCheckUnkowError();
    }
}

void AuthCore::GetFileList(const std::string& path) {
    queryPath = path;
    request([path](CServerManager& m) { m.FindFolder(path); },
            [](const LinkResults& r) { ShareInstance().listed(r, false); });
}

bool AuthCore::SelectClassify(std::int32_t classifyId) {
    request([classifyId](CServerManager& m) { m.SelectClassify(classifyId); },
            [](const LinkResults& r) { ShareInstance().listed(r, true); });
    return true;
}

void AuthCore::AddFolderClassify(const std::string& path, std::int32_t classifyId) {
    request([path, classifyId](CServerManager& m) { m.AddFolderClassify(path, classifyId); },
            [](const LinkResults& r) {
                auto d = ShareInstance().delegate();
                if (!d)
                    return;
                if (r.errorCode == 0) {
                    d->AuthCoreAddClassifySucess();
                } else {
                    d->AuthCoreCheckUnkowError();
                }
            });
}

void AuthCore::DelFolderClassify(const std::string& path, std::int32_t classifyId) {
    request([path, classifyId](CServerManager& m) { m.DelFolderClassify(path, classifyId); },
            [](const LinkResults& r) {
                auto d = ShareInstance().delegate();
                if (!d)
                    return;
                if (r.errorCode == 0) {
                    d->AuthCoreDelClassifySucess();
                } else {
                    d->AuthCoreCheckUnkowError();
                }
            });
}

void AuthCore::remoteCommand(int command, bool (CServerManager::*send)()) {
    request([send](CServerManager& m) { (m.*send)(); },
            [command](const LinkResults&) {
                if (auto d = ShareInstance().delegate()) {
                    d->AuthCoreCommandSucess(command, nullptr);
                }
            },
            false, [](const LinkResults& r) { return r.errorCode == 0; });
}

void AuthCore::RemoteShutdown() {
    remoteCommand(25, &CServerManager::RemoteShutdown);
}
void AuthCore::RemoteReboot() {
    remoteCommand(24, &CServerManager::RemoteReboot);
}
void AuthCore::RemoteStandby() {
    remoteCommand(22, &CServerManager::RemoteStandby);
}
void AuthCore::RemoteLockScreen() {
    remoteCommand(20, &CServerManager::RemoteLockScreen);
}

void AuthCore::RemoteCaptureScreen() {
    request([](CServerManager& m) { m.RemoteCaptureScreen(); },
            [](const LinkResults& r) {
                auto d = ShareInstance().delegate();
                if (!d)
                    return;
                if (r.errorCode == 0) {
                    d->AuthCoreCommandSucess(23, r.capture);
                } else {
                    d->AuthCoreCommandFaile(23);
                }
            });
}

void AuthCore::UploadPath(std::int32_t kind) {
    request([kind](CServerManager& m) { m.UploadPath(kind); },
            [](const LinkResults& r) {
                if (r.errorCode != 0)
                    return;
                if (auto d = ShareInstance().delegate()) {
                    d->AuthCorePathSucess(r.backUpPath);
                }
            });
}

bool AuthCore::PlugMessagePost(const std::string& plugId, const std::string& target,
                               std::int32_t type, const std::string& content) {
    auto mgr = serverManager_;
    if (!mgr || recovery_.active()) {
        return true;
    }
    const std::uint64_t gen = generation_;
    int plugType = 0;
    std::from_chars(plugId.data(), plugId.data() + plugId.size(), plugType);
    std::weak_ptr<LinkState> link = mgr->netMgr.state();
    mgr->WaitFileCommandResutBlock([link, gen, plugType] {
        auto state = link.lock();
        if (!state)
            return;
        const LinkResults r = state->snapshot();
        if (r.errorCode != link::kResultPlugAccepted)
            return;
        MainQueue::shared().async([gen, plugType, port = r.handlePort] {
            if (gen != ShareInstance().generation_)
                return;
            if (auto d = ShareInstance().delegate()) {
                d->AuthCoreMsgPostSucess(port, plugType);
            }
        });
    });
    // Sent on the caller's thread, as the panel expects.
    mgr->PlugMessagePost(plugId, target, type, content);
    return true;
}

void AuthCore::WiFiManagerList() {
    request([](CServerManager& m) { m.WiFiManagerList(); },
            [](const LinkResults& r) {
                if (r.errorCode != 0)
                    return;
                if (auto d = ShareInstance().delegate()) {
                    d->AuthCoreListFinish(*r.wifiList);
                }
            },
            true);
}

bool AuthCore::FileMgrCommondOp(std::int32_t channel, const std::string& command) {
    if (auto mgr = serverManager_; mgr && !recovery_.active()) {
        mgr->FileMgrCommondOp(channel, command);
    }
    return true;
}

void AuthCore::GetPhotoDataFinish(std::shared_ptr<UploadSource> item) {
    // Without an accepted link the item ends at once (LinkLost).
    upload_.start(hasAcceptedLink() ? serverManager_ : nullptr, generation_, serverIp,
                  std::move(item));
}

void AuthCore::FileServerConnectSucess(const std::string& fileName) {
    upload_.connected(fileName);
}

void AuthCore::FileSendFinish(UploadOutcome outcome) {
    if (upload_.busy()) {
        upload_.finish(outcome);
    } else {
        batch_->endUnsentItem(outcome);
    }
}

void AuthCore::UploadFinishBlock(UploadChannel::FinishBlock block) {
    uploadFinishBlock_ = std::move(block);
}

bool AuthCore::PhotoAlbumBakMgr() {
    std::vector<std::string> urls;
    urls.swap(upQueueArr);
    return batch_->start(std::move(urls), assetslibrary);
}

void AuthCore::StopPhotoBak() {
    batch_->stop();
}

void AuthCore::PhotoContentFromAssetLibrary(const std::string& url) {
    if (batch_->running() && !batch_->uploading()) {
        batch_->read(url);
    }
}

void AuthCore::BackupItemBlock(PhotoBackupBatch::ItemBlock block) {
    batch_->setItemBlock(std::move(block));
}

void AuthCore::BackupFinishBlock(PhotoBackupBatch::EndBlock block) {
    batch_->setEndBlock(std::move(block));
}

void AuthCore::setBackupConfirmLimit(std::chrono::milliseconds limit) {
    batch_->setConfirmLimit(limit);
}

bool AuthCore::PhoneFileUpConnect(const std::string& host, int port) {
    return phoneFiles_.connect(host, port);
}

bool AuthCore::PhoneFileUpSendData(std::shared_ptr<UploadSource> file,
                                   std::function<void(bool)> done) {
    return phoneFiles_.send(std::move(file), std::move(done));
}

std::string AuthCore::CreateHttpUrl(const std::string& path) const {
    if (serverManager_) {
        return serverManager_->CreateHttpUrl(serverIp, httpPort, path);
    }
    CServerManager unlinked;  // no ticket yet: the key is made with an empty one
    return unlinked.CreateHttpUrl(serverIp, httpPort, path);
}

void AuthCore::SubmitBnClickStat(int button) {
    PD_LOG_DEBUG("button statistic {}", button);
    // Sent only when usage reports were started at launch; otherwise it goes nowhere.
    OnlineReport::ShareInstance().SubmitBnClickStat(static_cast<std::uint32_t>(button));
}

void AuthCore::SaveLastDeviceTag() {
    Settings::standard().SaveLastDeviceTag(deviceTag);
}

std::optional<std::string> AuthCore::ReadLastDeviceTag() const {
    return Settings::standard().ReadLastDeviceTag();
}

void AuthCore::resetForTests() {
    ResetServer();
    autoReconnect_ = false;
    computerFinder_ = nullptr;
    setReconnectDelays(nullptr);
    recoveryState_ = {};
    delegate_.reset();
    serverIp.clear();
    port = 0;
    checkCode.clear();
    httpPort = 0;
    pcName.clear();
    deviceTag.clear();
    nServerDataIndex = 0;
    queryPath.clear();
    bRemember = false;
    bNetNormalStop = true;
    lastListing_ = std::make_shared<const std::vector<DirAndFileListData>>();
    upload_.setAnswerLimit(UploadChannel::kAnswerLimit);
    uploadFinishBlock_ = nullptr;
    progressBlock_ = nullptr;
    batch_->reset();
    upQueueArr.clear();
    assetslibrary.reset();
}

}  // namespace pd
