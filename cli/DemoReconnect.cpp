#include "DemoReconnect.h"

#include "SelfProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>
#include <thread>

namespace pd::cli {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uintmax_t kLargeBytes = 64ull * 1024 * 1024;
constexpr const char* kLargeName = "large.bin";
// Far longer than the download takes at the computer's paced rate, reconnection included.
constexpr auto kDownloadLimit = 60s;

bool writeLargeFile(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(20240601);  // bytes that differ everywhere, so a misplaced piece shows
    std::vector<std::uint64_t> chunk(128 * 1024);
    for (std::uintmax_t written = 0; written < kLargeBytes && stream;
         written += chunk.size() * sizeof chunk[0]) {
        for (auto& word : chunk) {
            word = random();
        }
        stream.write(reinterpret_cast<const char*>(chunk.data()),
                     static_cast<std::streamsize>(chunk.size() * sizeof chunk[0]));
    }
    return static_cast<bool>(stream.flush());
}

// The download of the large file in the phone's home (its partial file while it runs).
std::optional<fs::path> findDownload(const fs::path& home) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(home / "Documents", ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec) && it->path().filename().string().starts_with(kLargeName)) {
            return it->path();
        }
    }
    return std::nullopt;
}

// The child's exit status once it ended within `limit`; nullopt while it still runs.
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (ended < 0 || std::chrono::steady_clock::now() >= deadline) {
            return ended < 0 ? std::optional<int>(-1) : std::nullopt;
        }
        std::this_thread::sleep_for(50ms);
    }
}

// Ends the child as Ctrl-C would and waits for it.
void interrupt(pid_t pid) {
    ::kill(pid, SIGINT);
    if (!waitFor(pid, 10s)) {
        ::kill(pid, SIGKILL);
        waitSelf(pid);
    }
}

Reason compareFiles(const fs::path& original, const fs::path& copy) {
    std::error_code ec;
    const auto want = fs::file_size(original, ec);
    const auto got = fs::file_size(copy, ec);
    if (ec || got != want) {
        return "the download has " + std::to_string(ec ? 0 : got) + " of " + std::to_string(want) +
               " bytes";
    }
    std::ifstream a(original, std::ios::binary);
    std::ifstream b(copy, std::ios::binary);
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    for (std::uintmax_t offset = 0; offset < want; offset += x.size()) {
        a.read(x.data(), static_cast<std::streamsize>(x.size()));
        b.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (a.gcount() != b.gcount() || !std::equal(x.begin(), x.begin() + a.gcount(), y.begin())) {
            return "the download differs from the original near byte " + std::to_string(offset);
        }
    }
    return {};
}

}  // namespace

Reason demoReconnect(const DemoContext& demo, const fs::path& disk,
                     std::optional<peer::PeerLauncher>& computer,
                     const std::vector<std::string>& peerArgs) {
    const fs::path original = disk / "D" / "Big" / kLargeName;
    if (!writeLargeFile(original)) {
        return "cannot write the large file";
    }
    const nlohmann::json ports = computer->ready();
    std::vector<std::string> again = peerArgs;
    for (const auto& [flag, key] : {std::pair{"--port", "control_port"},
                                    {"--http-port", "http_port"},
                                    {"--discovery-port", "discovery_port"},
                                    {"--report-port", "report_port"},
                                    {"--feedback-port", "feedback_port"}}) {
        again.insert(again.end(), {flag, std::to_string(ports.value(key, 0))});
    }

    demo.out.say("  Downloading a 64 MiB file, which the computer sends at 16 MiB/s:");
    const std::vector<std::string> args = demo.with(
        {"get", "D:/Big/" + std::string(kLargeName), "--pc", demo.address, "--timeout", "10"});
    const pid_t pid = startSelf(demo.out, args);
    if (pid < 0) {
        return "cannot run pocketdesk get";
    }
    // Stop the computer once a few megabytes have arrived (or the download ended early).
    std::error_code ec;
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const auto partial = findDownload(demo.home);
        if ((partial && fs::file_size(*partial, ec) >= 4 * 1024 * 1024 && !ec) ||
            std::chrono::steady_clock::now() - started > 20s) {
            break;
        }
        if (auto status = waitFor(pid, 50ms)) {
            return *status == 0 ? "the download ended before the computer could stop"
                                : commandFailed(args, *status);
        }
    }
    demo.out.say("  Stopping the computer's services in the middle of the download...");
    computer->stop();
    computer.reset();
    std::this_thread::sleep_for(1s);
    demo.out.say("  ...and starting them again, on the same ports with the same check code.");
    if (auto restarted = peer::PeerLauncher::start(demo.peerProgram, again, 10s, !demo.verbose)) {
        computer.emplace(std::move(*restarted));
    } else {
        interrupt(pid);
        return "the computer's services did not start again";
    }
    const auto status = waitFor(pid, kDownloadLimit);
    if (!status) {
        interrupt(pid);
        return "the download did not finish within a minute";
    }
    if (*status != 0) {
        return "the download failed (" + commandFailed(args, *status) + ")";
    }
    const auto copy = findDownload(demo.home);
    if (!copy) {
        return "the download is not in the phone's download folder";
    }
    Reason failure = compareFiles(original, *copy);
    if (failure.empty()) {
        demo.out.say("  The download finished, byte for byte the computer's file.");
    }
    return failure;
}

}  // namespace pd::cli
