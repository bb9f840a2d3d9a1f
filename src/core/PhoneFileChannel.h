#pragma once
// The data channel of a file the computer fetches from the phone (channel 100000). It has its
// own slot and worker, apart from the backup upload's: nothing here frees or closes the
// other's channel, and a large backup item does not hold up a fetch.

#include "NetWork/FileTransferMgr.h"
#include "NetWork/UploadSource.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace pd {

class SerialQueue;

class PhoneFileChannel {
  public:
    // Each read and send of a fetched file. Measured on loopback (bench/phone_file_bench):
    // 64 KiB pieces reach about half of a plain 1 MiB read-and-send loop, 1 MiB pieces match
    // it; memory stays one piece per transfer.
    static constexpr std::size_t kSendPiece = 1024 * 1024;

    PhoneFileChannel();
    ~PhoneFileChannel();
    PhoneFileChannel(const PhoneFileChannel&) = delete;
    PhoneFileChannel& operator=(const PhoneFileChannel&) = delete;

    // The address of the computer at the other end of the current link ("" without a link).
    // Channels open only to it. Any thread.
    void setComputer(std::string host);
    std::string computer() const;
    // Opens a new channel to host:port (blocking, at most about 2 s), replacing one that was
    // not used. Refused unless `host` is the computer's address, also when the link changed
    // while connecting. True when it is open. Any thread.
    bool connect(const std::string& host, int port);
    // Sends `source` on the open channel from the worker; then frees the slot (if it still
    // holds this channel) and calls `done(sentAll)` on the worker. False without a channel.
    bool send(std::shared_ptr<UploadSource> source, std::function<void(bool)> done);
    // Ends a running transfer and frees the slot.
    void cancel();
    std::shared_ptr<FileTransferMgr> current() const;

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<FileTransferMgr> channel_;
    std::string computer_;
    std::unique_ptr<SerialQueue> worker_;
};

}  // namespace pd
