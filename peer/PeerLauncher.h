#pragma once
// Starts a pocketdesk-peer process and reads its ready line, for the demo and the tests.
// The peer listens on 127.0.0.1 only; the launcher kills it when destroyed.

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pd::peer {

class PeerLauncher {
  public:
    // Runs `program` with `args`; waits up to `limit` for the ready line on its stdout.
    // `quiet` sends the peer's log (stderr) to /dev/null.
    static std::optional<PeerLauncher> start(
        const std::filesystem::path& program, const std::vector<std::string>& args,
        std::chrono::milliseconds limit = std::chrono::seconds(10), bool quiet = false);
    PeerLauncher(PeerLauncher&& other) noexcept;
    PeerLauncher& operator=(PeerLauncher&&) = delete;
    PeerLauncher(const PeerLauncher&) = delete;
    ~PeerLauncher();

    const nlohmann::json& ready() const { return ready_; }
    int controlPort() const { return ready_.value("control_port", 0); }
    int httpPort() const { return ready_.value("http_port", 0); }
    std::string tag() const { return ready_.value("tag", std::string()); }
    std::string name() const { return ready_.value("name", std::string()); }
    int pid() const { return pid_; }

    // The next JSON line the peer prints after the ready line (such as the phone-file
    // script's events), waiting up to `limit`; nullopt when none came.
    std::optional<nlohmann::json> nextEvent(std::chrono::milliseconds limit);

    // Asks the peer to stop (SIGTERM) and waits for it; true when it exited cleanly.
    bool stop(std::chrono::milliseconds limit = std::chrono::seconds(5));

  private:
    PeerLauncher(int pid, int outFd, nlohmann::json ready, std::string pending)
        : pid_(pid), outFd_(outFd), ready_(std::move(ready)), pending_(std::move(pending)) {}
    int pid_ = -1;
    int outFd_ = -1;
    nlohmann::json ready_;
    std::string pending_;  // output read past the last line handed out
};

// A free UDP port on 127.0.0.1 (for a discovery port of one's own).
int freeUdpPort();

// The peer next to the running program (installed layouts), else beside it in the build tree
// (the program's folder's sibling "peer"), else `buildPath`, else "pocketdesk-peer" on PATH.
std::filesystem::path findPeerProgram(const std::filesystem::path& buildPath);

}  // namespace pd::peer
