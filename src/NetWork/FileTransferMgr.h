#pragma once
// One data channel: a short-lived TCP connection to a port the computer named, on which the
// phone only writes the bytes of one item and then closes. Connect and send block (each step
// gives up after 2 s without progress), so they run on an upload worker, never on the link
// thread. Cancel() may be called from any thread and makes a running connect or send end soon.

#include "NetWork/UploadSource.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace pd {

class FileTransferMgr {
  public:
    // Larger than any one frame needs, small enough that memory stays flat for any item.
    static constexpr std::size_t kSendPiece = 64 * 1024;
    static constexpr int kTimeOutMs = 2000;

    FileTransferMgr(std::int32_t sessionId, std::shared_ptr<UploadSource> source);
    ~FileTransferMgr();
    FileTransferMgr(const FileTransferMgr&) = delete;
    FileTransferMgr& operator=(const FileTransferMgr&) = delete;

    const std::int32_t sesstionID;  // channel number: 99999 backup uploads, 100000 phone files
    const std::string fileName;
    // The size of each read and send (kSendPiece unless changed; 512 B to 16 MiB). Set before
    // SendData; for measuring other sizes.
    void setSendPiece(std::size_t bytes);
    // Replaces the source (a phone-file transfer learns its file after connecting).
    void setDataSend(std::shared_ptr<UploadSource> source);

    // InitSocket, 2 s receive and send time-outs, ConnectHost. False if any step fails.
    bool ConnectLanServer(const std::string& host, int port);
    bool InitSocket();
    // type 0: receive time-out, any other: send time-out.
    bool SetTimeOut(int milliseconds, int type);
    bool ConnectHost(const std::string& host, int port);
    // Sends the whole source in pieces of kSendPiece, then closes the socket and calls
    // `completion` (if any) once. True only when every byte was read and accepted by the socket.
    bool SendData(const std::function<void(bool sentAll)>& completion = nullptr);
    // Shuts the socket down and closes it; the descriptor counts as closed afterwards even when
    // close() reports an error (retrying a close could hit a descriptor reused meanwhile).
    // False when close() failed; true otherwise, also when there was nothing to close.
    bool CloseSocket();
    void Cancel();

    int socketDescriptor() const;

  private:
    bool sendAll(int fd, const char* data, std::size_t size);

    mutable std::mutex mutex_;  // guards m_socket and dataSend_
    int m_socket = -1;
    std::shared_ptr<UploadSource> dataSend_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> sendPiece_{kSendPiece};
};

}  // namespace pd
