#pragma once
// The phone file service: executes the computer's FTP-like command lines ("LIST", "PORT",
// "RETR", "DELE", "RMD") over the photo album and the user-data folder, and answers "200 " or
// "500 " (a listing follows "200 " directly).
//
// Commands run one at a time, in arrival order, on the service's own queue: the link thread
// only hands them over. A "RETR" streams the file through the data channel's worker, and its
// reply is given once the send has ended; the next command waits for it.

#include "NetWork/PhoneMgrCommand.h"
#include "core/PhoneFileTransport.h"
#include "platform/AlbumScan.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace pd {

class SerialQueue;

// What one command did, for a front-end that shows the computer's activity.
struct PhoneFileEvent {
    std::string command;                // as received
    std::optional<std::string> status;  // "200 " or "500 "; nullopt: no reply was given
    std::size_t entries = 0;            // lines of a listing
};

class PhoneFileService : public std::enable_shared_from_this<PhoneFileService> {
  public:
    struct Services {
        std::function<std::filesystem::path()> userDataFolder;
        std::function<bool()> enabled;  // "ISONMGRFILE" not 0
        std::shared_ptr<PhoneFileTransport> transport;
        // Rescans the album and calls back once when the index is in place.
        std::function<void(std::function<void()>)> loadAssets;
        std::function<AlbumIndex()> assets;
    };
    // The application's: SandboxHelper, Settings, the core controller, the toolkit.
    static Services standardServices();
    static std::shared_ptr<PhoneFileService> create(Services services);

    ~PhoneFileService();
    PhoneFileService(const PhoneFileService&) = delete;
    PhoneFileService& operator=(const PhoneFileService&) = delete;

    // The executor the link asks for, one per command.
    std::shared_ptr<PhoneMgrCommand> makeCommand();
    // Queues one command line; `reply` is called from the service's queue or the channel's
    // worker, or not at all for a line the computer expects no answer to.
    void execute(std::string line, PhoneMgrCommand::ReplyBlock reply);

    using Observer = std::function<void(const PhoneFileEvent&)>;
    // Called on the service's queue after each command (once its reply is sent).
    void setObserver(Observer observer);

  private:
    explicit PhoneFileService(Services services);
    std::optional<std::string> run(const std::string& line);
    std::optional<std::string> list(const std::string& argument);
    std::optional<std::string> port(const std::string& argument);
    std::optional<std::string> retrieve(const std::string& argument);
    std::string remove(const std::string& argument);
    std::string albumListing();
    std::string sendAndWait(std::shared_ptr<UploadSource> source);

    Services services_;
    std::mutex observerMutex_;
    Observer observer_;
    std::unique_ptr<SerialQueue> queue_;
};

}  // namespace pd
