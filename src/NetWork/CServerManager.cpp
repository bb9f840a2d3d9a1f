#include "NetWork/CServerManager.h"

#include "NetWork/DownloadPaths.h"
#include "codec/LinkCodes.h"
#include "codec/MsgPack.h"
#include "codec/SignedLink.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UrlEncode.h"

#include <sys/stat.h>

#include <filesystem>

namespace pd {

namespace {

// Packs [request number, ...] with the given further elements.
template <typename... Adders>
std::string body(std::int32_t number, std::uint32_t extra, Adders&&... adders) {
    msg::Packer p;
    p.array(1 + extra).integer(number);
    (adders(p), ...);
    return p.take();
}

void queue(CNetMgr& mgr, const link::Request& request, const std::string& packed) {
    mgr.QueueRequest(request.number, request.code, packed);
}

void queueBare(CNetMgr& mgr, const link::Request& request) {
    queue(mgr, request, body(request.number, 0));
}

}  // namespace

void CServerManager::WaitFileCommandResutBlock(Block block) {
    netMgr.setBlock(LinkState::Slot::Command, std::move(block));
}
void CServerManager::WaitStorCommandResutBlock(Block block) {
    netMgr.setBlock(LinkState::Slot::Stor, std::move(block));
}
void CServerManager::WaitErrorCommandResutBlock(Block block) {
    netMgr.setBlock(LinkState::Slot::Error, std::move(block));
}
void CServerManager::CNetClassMgrBlock(LinkStateBlock block) {
    netMgr.setLinkStateBlock(std::move(block));
}
void CServerManager::CNetWifiBlock(Block block) {
    netMgr.setBlock(LinkState::Slot::Wifi, std::move(block));
}
void CServerManager::WaitTransferDoneBlock(Block block) {
    netMgr.setBlock(LinkState::Slot::TransferDone, std::move(block));
}

bool CServerManager::ConnectLanServer(const std::string& host, int port,
                                      const std::string& checkCode) {
    // Nothing of `this` is touched after Connect: a callback may have destroyed the facade.
    return netMgr.Connect(host, port, checkCode);
}

void CServerManager::FindFolder(std::string_view path) {
    queue(netMgr, link::kFindFolder,
          body(link::kFindFolder.number, 1, [&](msg::Packer& p) { p.raw(path); }));
}

bool CServerManager::SelectClassify(std::int32_t classifyId) {
    queue(netMgr, link::kSelectClassify,
          body(link::kSelectClassify.number, 1, [&](msg::Packer& p) { p.integer(classifyId); }));
    return true;
}

bool CServerManager::AddFolderClassify(std::string_view path, std::int32_t classifyId) {
    queue(netMgr, link::kAddFolderClassify,
          body(link::kAddFolderClassify.number, 2,
               [&](msg::Packer& p) { p.raw(path).integer(classifyId); }));
    return true;
}

bool CServerManager::DelFolderClassify(std::string_view path, std::int32_t classifyId) {
    queue(netMgr, link::kDelFolderClassify,
          body(link::kDelFolderClassify.number, 2,
               [&](msg::Packer& p) { p.raw(path).integer(classifyId); }));
    return true;
}

bool CServerManager::UploadPath(std::int32_t kind) {
    queue(netMgr, link::kUploadPath,
          body(link::kUploadPath.number, 1, [&](msg::Packer& p) { p.integer(kind); }));
    return true;
}

void CServerManager::GetDirInfo(std::string_view path) {
    queue(netMgr, link::kDirInfo,
          body(link::kDirInfo.number, 1, [&](msg::Packer& p) { p.raw(path); }));
}

bool CServerManager::RemoteLockScreen() {
    queueBare(netMgr, link::kLockScreen);
    return true;
}
bool CServerManager::RemoteCaptureScreen() {
    queueBare(netMgr, link::kCaptureScreen);
    return true;
}
bool CServerManager::RemoteShutdown() {
    queueBare(netMgr, link::kShutdown);
    return true;
}
bool CServerManager::RemoteReboot() {
    queueBare(netMgr, link::kReboot);
    return true;
}
bool CServerManager::RemoteStandby() {
    queueBare(netMgr, link::kStandby);
    return true;
}

bool CServerManager::FileMgrCommondOp(std::int32_t channel, std::string_view commandLine,
                                      std::uint64_t* commandsSentBefore) {
    netMgr.QueueRequest(link::kFileMgrCommand.number, link::kFileMgrCommand.code,
                        body(link::kFileMgrCommand.number, 2,
                             [&](msg::Packer& p) { p.integer(channel).raw(commandLine); }),
                        commandsSentBefore);
    return true;
}

bool CServerManager::PlugMessagePost(std::string_view plugId, std::string_view target,
                                     std::int32_t type, std::string_view content) {
    queue(netMgr, link::kPlugMessage, body(link::kPlugMessage.number, 4, [&](msg::Packer& p) {
              p.raw(plugId).raw(target).integer(type).raw(content);
          }));
    return true;
}

bool CServerManager::WiFiManagerList() {
    queueBare(netMgr, link::kWiFiManagerList);
    return true;
}

void CServerManager::HeartbeatPacket() {
    netMgr.HeartbeatPacket();
}

void CServerManager::ReleaseListings(const LinkResults& seen) {
    netMgr.state()->updateResults([&](LinkResults& r) {
        if (r.fileInfo == seen.fileInfo && !r.fileInfo->empty()) {
            r.fileInfo = std::make_shared<const std::vector<FileInfoData>>();
        }
        if (r.fileClassify == seen.fileClassify && !r.fileClassify->empty()) {
            r.fileClassify = std::make_shared<const std::vector<FileClassifyData>>();
        }
    });
}

std::string CServerManager::CreateHttpUrl(std::string_view host, int httpPort,
                                          std::string_view path) const {
    return buildSignedUrl(host, httpPort, path, netMgr.deviceUUID(), Results().httpTicket);
}

bool CServerManager::DownFileFromHttp(std::string_view host, std::string_view path, int httpPort,
                                      std::uint64_t fileSize, std::uint64_t modifyTime,
                                      std::string_view computerTag) {
    if (!IsAuthSucess()) {
        return false;
    }
    const auto kept = keptDownloadPaths(path, computerTag);
    if (!kept) {
        PD_LOG_INFO("not downloaded: '{}' is not a name to save a file under", path);
        return false;
    }
    const KeptDownloadPaths& paths = *kept;
    HttpDownloader* downloader = httpDownloader();
    if (downloader == nullptr) {
        PD_LOG_WARN("no download service registered");
        return false;
    }
    const std::string url = CreateHttpUrl(host, httpPort, path);
    std::error_code ec;
    std::filesystem::create_directories(paths.folder + "/" + kTemporaryArea, ec);
    if (ec) {
        PD_LOG_WARN("cannot create {}: {}", paths.folder, ec.message());
    }
    struct stat st {};
    if (::stat(paths.destination.c_str(), &st) == 0 && st.st_size != 0 &&
        static_cast<std::uint64_t>(st.st_size) == fileSize) {
        NotificationCenter::defaultCenter().post(kHttpTaskSuccessNotification,
                                                 {{"path", paths.destination},
                                                  {"fileSize", static_cast<std::int64_t>(fileSize)},
                                                  {"remotePath", std::string(path)}});
        return true;
    }
    downloader->downLoadWithURL(url, paths.destination, paths.temporary, std::string(path),
                                ListedFile{fileSize, modifyTime});
    return true;
}

bool CServerManager::DownFileFromHttpV2(std::string_view host, int httpPort, std::string_view path,
                                        std::weak_ptr<DownloadServiceDelegate> delegate,
                                        std::uint64_t fileSize, std::uint64_t modifyTime,
                                        std::string_view computerTag) {
    if (!IsAuthSucess()) {
        return false;
    }
    HttpDownloader* downloader = httpDownloader();
    if (downloader == nullptr) {
        PD_LOG_WARN("no download service registered");
        return false;
    }
    const std::string cachePath = previewPath(path, computerTag, fileSize, modifyTime);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(cachePath).parent_path(), ec);
    downloader->downLoadWithURLV2(CreateHttpUrl(host, httpPort, path), cachePath,
                                  std::move(delegate), ListedFile{fileSize, modifyTime});
    return true;
}

void CServerManager::PauseHttpDownTask(const std::string& url) {
    if (HttpDownloader* downloader = httpDownloader()) {
        downloader->pauseDownload(url);
    }
}

std::int32_t CServerManager::GetErrorCode() const {
    return Results().errorCode;
}
std::int32_t CServerManager::GetFilePasvErrorCode() const {
    return Results().filePasvErrorCode;
}
std::string CServerManager::GetFileRsqResult() const {
    return Results().fileRspResult;
}
std::int32_t CServerManager::GetHandlePort() const {
    return Results().handlePort;
}
FileInfoList CServerManager::GetFileInfo() const {
    return Results().fileInfo;
}
FileClassifyList CServerManager::GetFileClassify() const {
    return Results().fileClassify;
}
WifiList CServerManager::GetWifiList() const {
    return Results().wifiList;
}
std::string CServerManager::GetBackUpPath() const {
    return Results().backUpPath;
}
std::shared_ptr<const std::string> CServerManager::GetCaptureScreenData() const {
    return Results().capture;
}
DirInfoData CServerManager::DirInfoContent() const {
    return Results().dirInfo;
}

}  // namespace pd
