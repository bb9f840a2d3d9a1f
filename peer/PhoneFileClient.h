#pragma once
// The computer's phone-file client: once a phone's link is accepted it sends the lines of a
// script as file commands (message 100), one at a time, waits for each reply (1100), and
// prints both. "PORT <host>:0" means "my own listener": the client opens one on the link's
// address and sends its real port; the next "RETR" then saves what arrives on it into the
// files folder under the path's last component, sanitised and bounded in size.

#include "codec/MsgPack.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace pd::peer {

inline constexpr std::uint64_t kDefaultMaxPhoneFileBytes = 4ull * 1024 * 1024 * 1024;

struct PhoneFileClientConfig {
    std::vector<std::string> script;  // command lines; blank lines and "#" comments skipped
    std::filesystem::path filesDir;   // where fetched files go
    std::string host = "127.0.0.1";   // the link's own address, for "PORT" listeners
    std::uint64_t maxFileBytes = kDefaultMaxPhoneFileBytes;
    // How long a reply is awaited (the phone gives none to some lines); a fetch still
    // receiving bytes keeps waiting.
    std::chrono::milliseconds replyWait{10000};
    std::function<void(const nlohmann::ordered_json&)> print;
};

// A script for the links of one peer: it runs on the first link that is accepted.
struct PhoneScript {
    PhoneFileClientConfig config;  // `host` is set per link
    std::atomic<bool> taken{false};
};

class PhoneFileClient {
  public:
    // `send` queues one packed code-100 body on the link; any thread.
    PhoneFileClient(PhoneFileClientConfig config, std::function<void(std::string body)> send);
    // Stops the script and any fetch, and waits for them.
    ~PhoneFileClient();
    PhoneFileClient(const PhoneFileClient&) = delete;
    PhoneFileClient& operator=(const PhoneFileClient&) = delete;

    void start();
    // A code-1100 body from the phone.
    void onReply(const msg::View& body);

    // The name a fetched path is saved under: its last component with separators and control
    // characters replaced, at most 255 bytes; "file" when nothing usable is left.
    static std::string savedName(const std::string& path);
    // Lines of a script file; nullopt when it cannot be read or is over 1 MiB.
    static std::optional<std::vector<std::string>> readScript(const std::filesystem::path& file);

  private:
    struct Fetch;
    void runScript();
    std::optional<std::string> command(const std::string& line, Fetch* fetch);
    std::string openListener(const std::string& line);
    void receive(Fetch& fetch);
    bool stopped() const { return stop_.load(); }

    PhoneFileClientConfig config_;
    std::function<void(std::string)> send_;
    int stopFd_ = -1;
    int listenFd_ = -1;  // the listener of the last "PORT", until a "RETR" takes it
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable replied_;
    std::map<std::int64_t, std::string> replies_;
    std::int64_t nextId_ = 1;
    std::thread thread_;
};

}  // namespace pd::peer
