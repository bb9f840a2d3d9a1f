#pragma once
// The one object through which every screen reaches the computer. It keeps the chosen
// computer's address, ports and check code, owns the command facade while a link exists, turns
// each request's answer into a delegate call on the main queue, and reports the end of a link.
//
// Used on the main queue only. Each connect makes a new facade with a new generation number;
// link reports and answers of an older generation are ignored, so a late answer of a link that
// was replaced never reaches the screen.

#include "NetWork/CServerManager.h"
#include "core/AuthCoreDelegate.h"
#include "core/LinkRecovery.h"
#include "core/PhoneFileChannel.h"
#include "core/PhotoBackupBatch.h"
#include "core/UploadChannel.h"
#include "model/DirAndFileListData.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pd {

// The computer to connect to, as one value: the pairing flow hands it over whole.
struct ConnectTarget {
    std::string serverIp;
    std::int32_t port = 0;
    std::int32_t httpPort = 0;
    std::string checkCode;
    std::string pcName;
    std::string deviceTag;
    std::int64_t nServerDataIndex = 0;
    bool bRemember = false;
};

class PhotoLibrary;

class AuthCore {
  public:
    // Posted on the main queue when a link closes (once per link); a link being restored
    // closes only when the restoration gives up.
    static constexpr const char* kNetworkClosedNotification = "NETWORKCLOSEDMSG";
    // Posted (at once, on the main queue) at each step of restoring a dropped link; the step
    // is linkRecoveryState().
    static constexpr const char* kLinkRecoveryNotification = "LINKRECOVERY";
    static AuthCore& ShareInstance();

    // --- connection parameters of the chosen computer (ConnetctPcServer sets them; read only)
    std::string serverIp;
    std::int32_t port = 0;
    std::string checkCode;
    std::int32_t httpPort = 0;
    std::uint64_t fileSize = 0;
    std::string pcName;
    std::string deviceTag;
    std::int64_t nServerDataIndex = 0;
    std::string queryPath;
    bool bRemember = false;
    bool bNetNormalStop = true;

    // The entries of the last folder or class listing (the delegate receives the same rows).
    const std::vector<DirAndFileListData>& dirAndFileListArr() const { return *lastListing_; }

    // The delegate is held weakly: a screen that goes away needs no goodbye.
    void setDelegate(const std::shared_ptr<AuthCoreDelegate>& d) { delegate_ = d; }
    // Clears the delegate only if it is still `d`.
    void clearDelegate(const AuthCoreDelegate* d);
    std::shared_ptr<AuthCoreDelegate> delegate() const { return delegate_.lock(); }

    // --- link
    // Modes: 0 keep an accepted link, 1 new connection, 2 switch computers. Takes the target's
    // parameters, then connects. Always true.
    bool ConnetctPcServer(int mode, const ConnectTarget& target);
    // The same with the parameters already held.
    bool ConnetctPcServer(int mode);
    // Ends the link (and a restoration under way); the work on it ends too.
    void ResetServer();
    std::shared_ptr<CServerManager> serverManager() const { return serverManager_; }
    bool hasAcceptedLink() const { return serverManager_ && linkAccepted_; }
    bool isConnecting() const { return serverManager_ && !linkAccepted_; }

    // --- restoring a dropped link
    // An accepted link that drops is restored by itself (on unless turned off): the backup
    // batch waits, downloads wait for new signed links, and screens hear kLinkRecovery.
    void setAutoReconnect(bool on) { autoReconnect_ = on; }
    bool isReconnecting() const { return recovery_.active(); }
    const LinkRecoveryState& linkRecoveryState() const { return recoveryState_; }
    // How a restoration looks for the computer when its address no longer answers: the finder
    // calls `found` with the computer's new ports, or with nothing.
    using ComputerFinder = std::function<void(
        const std::string& ip, const std::string& deviceTag,
        std::function<void(std::optional<std::pair<std::int32_t, std::int32_t>>)> found)>;
    void setComputerFinder(ComputerFinder finder) { computerFinder_ = std::move(finder); }
    // Pauses between attempts (tests); the standard schedule when unset.
    void setReconnectDelays(std::function<std::chrono::milliseconds(int)> delays);
    // What a waiting download should do now: fetch from a new signed link of `path`, wait for
    // the link, or give up.
    using Relink = DownloadRelink;
    Relink relinkDownload(const std::string& path) const;

    // --- requests (no effect without a link)
    void GetFileList(const std::string& path);
    void GetFileList() { GetFileList(queryPath); }
    bool SelectClassify(std::int32_t classifyId);
    void AddFolderClassify(const std::string& path, std::int32_t classifyId);
    void DelFolderClassify(const std::string& path, std::int32_t classifyId);
    void RemoteShutdown();
    void RemoteReboot();
    void RemoteStandby();
    void RemoteLockScreen();
    void RemoteCaptureScreen();
    void UploadPath(std::int32_t kind);
    bool PlugMessagePost(const std::string& plugId, const std::string& target, std::int32_t type,
                         const std::string& content);
    void WiFiManagerList();
    bool FileMgrCommondOp(std::int32_t channel, const std::string& command);
    std::string CreateHttpUrl(const std::string& path) const;

    // --- downloads (refused without an accepted link)
    // Size and modification time as the listing gave them; 0 when not known.
    bool AddHttpDownTask(const std::string& path, std::uint64_t expectedSize,
                         std::uint64_t modifyTime = 0);
    bool AddHttpDownTaskV2(const std::string& path, std::weak_ptr<DownloadServiceDelegate> delegate,
                           std::uint64_t expectedSize = 0, std::uint64_t modifyTime = 0);
    void PauseHttpDownTask(const std::string& url);
    // Stops a preview download (and nothing else) when its screen is left.
    void StopPreviewTask(const std::string& url);

    // --- upload channel (backup items on channel 99999, phone files on 100000)
    // Uploads one backup item; its end reaches the UploadFinishBlock observer.
    void GetPhotoDataFinish(std::shared_ptr<UploadSource> item);
    // The data channel of the current item is open: announce it with "STOR <name>".
    void FileServerConnectSucess(const std::string& fileName);
    // Ends the current backup item with `outcome` and releases its channel; the batch then
    // moves on (also for an item still being read from the library).
    void FileSendFinish(UploadOutcome outcome);
    void UploadFinishBlock(UploadChannel::FinishBlock block);
    using UploadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
    // Kept for the backup batch, which reports its progress through it.
    void ProgressBlock(UploadProgress block) { progressBlock_ = std::move(block); }
    const UploadProgress& progressBlock() const { return progressBlock_; }
    std::shared_ptr<FileTransferMgr> fileTransferMgr() const { return upload_.fileTransferMgr(); }

    // --- photo backup batch (see PhotoBackupBatch)
    // Asset URLs the backup screen queued; a started batch takes them all.
    std::vector<std::string> upQueueArr;
    // The photo library items are read from; empty: the library of the default folder.
    std::shared_ptr<const PhotoLibrary> assetslibrary;
    // Starts a batch of upQueueArr (emptied either way). False, and nothing starts, while a
    // batch is running.
    bool PhotoAlbumBakMgr();
    // The running batch ends after its current item, without "QUIT".
    void StopPhotoBak();
    // Reads one item of the running batch and uploads it.
    void PhotoContentFromAssetLibrary(const std::string& url);
    bool bStopPhotoBak() const { return batch_->bStopPhotoBak(); }
    bool isPhotoBakRunning() const { return batch_->running(); }
    const std::vector<std::string>& photoTmpArr() const { return batch_->photoTmpArr(); }
    std::size_t backupCursor() const { return batch_->cursor(); }
    // Told of each item of a batch as it ends, and of the batch's end.
    void BackupItemBlock(PhotoBackupBatch::ItemBlock block);
    void BackupFinishBlock(PhotoBackupBatch::EndBlock block);
    // How long a sent item waits for the computer's confirmation (3 s unless changed).
    void setBackupConfirmLimit(std::chrono::milliseconds limit);
    // How long each "PASV" and "STOR" answer is awaited (10 s unless changed).
    void setUploadAnswerLimit(std::chrono::milliseconds limit) { upload_.setAnswerLimit(limit); }
    // A computer's fetch: opens the channel to `port` at `host`, which must be the link's own
    // address; then sends one file on it. Neither touches the backup item's channel. These
    // and phoneFileComputer() are safe from any thread (the computer's commands arrive on the
    // link thread).
    bool PhoneFileUpConnect(const std::string& host, int port);
    std::string phoneFileComputer() const { return phoneFiles_.computer(); }
    bool PhoneFileUpSendData(std::shared_ptr<UploadSource> file, std::function<void(bool)> done);
    std::shared_ptr<FileTransferMgr> phoneFileTransferMgr() const { return phoneFiles_.current(); }

    // --- usage statistics and the last computer (kept in the settings)
    void SubmitBnClickStat(int button);
    void SaveLastDeviceTag();
    std::optional<std::string> ReadLastDeviceTag() const;

    // Forgets the link and the parameters (tests run many scenarios in one process).
    void resetForTests();

  private:
    AuthCore();
    void listed(const LinkResults& r, bool classListing);
    void RegisterNetConnectClosed(const std::shared_ptr<CServerManager>& mgr, std::uint64_t gen);
    // The link of an accepted pairing dropped: keep the work and start restoring it.
    void linkDropped();
    void reconnectAttempt();
    // A new link with the parameters held (the caller has ended the old one).
    void startLink();
    void searchForComputer(std::function<void()> done);
    void linkRestored();
    void recoveryEnded();
    void recoveryReport(const LinkRecoveryState& state);
    // Ends the link's channels; the backup batch waits when `keepWork`.
    void endLink(bool keepWork);
    // Registers `onMain` in the file-command slot (or the hotspot slot), submits `send` on the
    // background queue, and calls `onMain` with the results on the main queue if this link
    // generation is still current.
    void request(std::function<void(CServerManager&)> send,
                 std::function<void(const LinkResults&)> onMain, bool wifiSlot = false,
                 std::function<bool(const LinkResults&)> filterOnLink = nullptr);
    void remoteCommand(int command, bool (CServerManager::*send)());

    std::weak_ptr<AuthCoreDelegate> delegate_;
    std::shared_ptr<CServerManager> serverManager_;
    std::uint64_t generation_ = 0;
    bool linkAccepted_ = false;
    UploadChannel upload_;
    UploadChannel::FinishBlock uploadFinishBlock_;
    std::unique_ptr<PhotoBackupBatch> batch_;
    PhoneFileChannel phoneFiles_;
    UploadProgress progressBlock_;
    ListingRows lastListing_ = std::make_shared<const std::vector<DirAndFileListData>>();
    bool autoReconnect_ = false;  // the application turns it on
    LinkRecovery recovery_;
    LinkRecoveryState recoveryState_;
    ComputerFinder computerFinder_;
    std::function<std::chrono::milliseconds(int)> reconnectDelays_;
};

}  // namespace pd
