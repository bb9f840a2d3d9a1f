#pragma once
// The upload receiver of one link: each "PASV" opens a listener on the link's own address
// (an ephemeral port, named in the 227 reply), each "STOR <name>" hands that listener to a
// thread that takes one connection and writes its bytes into the backup folder until the phone
// closes it. A complete item is renamed into place and reported with a 226 reply; a failed one
// (too large, stalled, stopped) is logged and its partial file removed.
//
// Names with path separators, "..", control characters or more than 255 bytes are refused, so
// nothing is ever written outside the backup folder.

#include "PeerOptions.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace pd::peer {

struct UploadReceiverConfig {
    std::filesystem::path backupDir;
    std::string host = "127.0.0.1";  // the link's own address
    std::uint64_t maxBytes = kDefaultMaxUploadBytes;
    std::chrono::milliseconds idleLimit{30000};  // no connection or no byte for this long: fail
};

class UploadReceiver {
  public:
    // `reply` is called from a receiving thread with a reply line for the phone.
    UploadReceiver(UploadReceiverConfig config, std::function<void(std::string)> reply);
    // Stops every receiving thread and waits for them.
    ~UploadReceiver();
    UploadReceiver(const UploadReceiver&) = delete;
    UploadReceiver& operator=(const UploadReceiver&) = delete;

    // "PASV": a new listener (replacing one no "STOR" took); its port, or nullopt.
    std::optional<std::uint16_t> openPassive();
    // "STOR <name>": the reply line, "150 ..." when receiving started.
    std::string store(std::string_view name);

    static bool isAcceptableName(std::string_view name);

  private:
    struct Receiver {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void receive(int listenFd, std::string name, std::uint64_t serial);
    bool waitReadable(int fd);

    UploadReceiverConfig config_;
    std::function<void(std::string)> reply_;
    int stopFd_ = -1;
    std::mutex mutex_;
    int passiveFd_ = -1;
    std::uint64_t serial_ = 0;
    std::list<Receiver> receivers_;
};

}  // namespace pd::peer
