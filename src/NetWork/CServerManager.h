#pragma once
// The command facade: turns each operation into a request on the link, a callback
// registration, or a read of a stored result. A new facade is made for every connection;
// destroying it ends the link.

#include "NetWork/CNetMgr.h"
#include "NetWork/HttpDownloader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

class CServerManager {
  public:
    explicit CServerManager(LinkIdentity identity = {}) : netMgr(std::move(identity)) {}
    CServerManager(const CServerManager&) = delete;
    CServerManager& operator=(const CServerManager&) = delete;

    CNetMgr netMgr;

    // Callback registration; each replaces what its slot held and is consumed by the call.
    void WaitFileCommandResutBlock(Block block);
    void WaitStorCommandResutBlock(Block block);
    void WaitErrorCommandResutBlock(Block block);
    void CNetClassMgrBlock(LinkStateBlock block);
    void CNetWifiBlock(Block block);
    // Called when the computer reports an uploaded item stored ("226"); see transfersDone.
    void WaitTransferDoneBlock(Block block);

    // Connects and runs the link on the calling thread until it ends. False when the engine
    // refused to start (already connected, no socket); true once the link has ended.
    bool ConnectLanServer(const std::string& host, int port, const std::string& checkCode);

    // Requests: queued at once; the answer arrives through the callbacks.
    void FindFolder(std::string_view path);
    bool SelectClassify(std::int32_t classifyId);
    bool AddFolderClassify(std::string_view path, std::int32_t classifyId);
    bool DelFolderClassify(std::string_view path, std::int32_t classifyId);
    bool UploadPath(std::int32_t kind);
    void GetDirInfo(std::string_view path);
    bool RemoteLockScreen();
    bool RemoteCaptureScreen();
    bool RemoteShutdown();
    bool RemoteReboot();
    bool RemoteStandby();
    // `commandsSentBefore` (if given) receives how many upload-channel commands went out
    // before this one can: its answer is the reply that follows as many replies.
    bool FileMgrCommondOp(std::int32_t channel, std::string_view commandLine,
                          std::uint64_t* commandsSentBefore = nullptr);
    bool PlugMessagePost(std::string_view plugId, std::string_view target, std::int32_t type,
                         std::string_view content);
    bool WiFiManagerList();
    void HeartbeatPacket();

    // Downloads (refused with false until the handshake was accepted). A kept download goes to
    // DownFiles/<folder key>/<name> in the user-data folder; a file already there with the
    // expected (non-zero) size is reported at once with HTTPTASKSUCCESS ("path", "fileSize").
    // Size and modification time are the listing's (0: not known); see ListedFile.
    bool DownFileFromHttp(std::string_view host, std::string_view path, int httpPort,
                          std::uint64_t fileSize, std::uint64_t modifyTime = 0,
                          std::string_view computerTag = {});
    // A preview download into the "Cache" folder of the temporary directory.
    bool DownFileFromHttpV2(std::string_view host, int httpPort, std::string_view path,
                            std::weak_ptr<DownloadServiceDelegate> delegate,
                            std::uint64_t fileSize = 0, std::uint64_t modifyTime = 0,
                            std::string_view computerTag = {});
    void PauseHttpDownTask(const std::string& url);

    // The signed link of a file on the computer's HTTP service.
    std::string CreateHttpUrl(std::string_view host, int httpPort, std::string_view path) const;

    // Result accessors. Each reads the store once; Results() gives every value from one instant.
    LinkResults Results() const { return netMgr.results(); }
    std::int32_t GetErrorCode() const;
    std::int32_t GetFilePasvErrorCode() const;
    std::string GetFileRsqResult() const;
    std::int32_t GetHandlePort() const;
    FileInfoList GetFileInfo() const;
    FileClassifyList GetFileClassify() const;
    WifiList GetWifiList() const;
    std::string GetBackUpPath() const;
    std::shared_ptr<const std::string> GetCaptureScreenData() const;
    DirInfoData DirInfoContent() const;
    bool IsAuthSucess() const { return netMgr.isAuthenticated(); }
    // The listings in `seen` were read: the store lets go of them (unless newer ones arrived
    // meanwhile), so a large listing is not kept twice once its reader has its own rows.
    void ReleaseListings(const LinkResults& seen);
};

}  // namespace pd
