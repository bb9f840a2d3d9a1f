#include "PeerLauncher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace pd::peer {

std::optional<PeerLauncher> PeerLauncher::start(const std::filesystem::path& program,
                                                const std::vector<std::string>& args,
                                                std::chrono::milliseconds limit, bool quiet) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<std::string> argvStore;
    argvStore.push_back(program.string());
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }

    // Read the first line within the limit.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buf[512];
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        line.append(buf, static_cast<std::size_t>(n));
    }
    auto ready = nlohmann::json::parse(line.substr(0, line.find('\n')), nullptr, false);
    if (ready.is_discarded() || !ready.is_object() || ready.value("event", "") != "ready") {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    return PeerLauncher(pid, pipeFds[0], std::move(ready), line.substr(line.find('\n') + 1));
}

std::optional<nlohmann::json> PeerLauncher::nextEvent(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pending_.find('\n') == std::string::npos && outFd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{outFd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char buf[4096];
        const ssize_t n = ::read(outFd_, buf, sizeof buf);
        if (n <= 0) {
            return std::nullopt;
        }
        pending_.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t end = pending_.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    auto event = nlohmann::json::parse(pending_.substr(0, end), nullptr, false);
    pending_.erase(0, end + 1);
    if (event.is_discarded()) {
        return std::nullopt;
    }
    return event;
}

PeerLauncher::PeerLauncher(PeerLauncher&& other) noexcept
    : pid_(other.pid_),
      outFd_(other.outFd_),
      ready_(std::move(other.ready_)),
      pending_(std::move(other.pending_)) {
    other.pid_ = -1;
    other.outFd_ = -1;
}

bool PeerLauncher::stop(std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return true;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    bool clean = false;
    while (true) {
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    pid_ = -1;
    if (outFd_ >= 0) {
        ::close(outFd_);
        outFd_ = -1;
    }
    return clean;
}

PeerLauncher::~PeerLauncher() {
    stop();
}

int freeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

std::filesystem::path findPeerProgram(const std::filesystem::path& buildPath) {
    std::error_code ec;
    const auto self = std::filesystem::canonical("/proc/self/exe", ec);
    for (const auto& candidate :
         {self.parent_path() / "pocketdesk-peer",
          self.parent_path().parent_path() / "peer" / "pocketdesk-peer", buildPath}) {
        if (!candidate.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "pocketdesk-peer";
}

}  // namespace pd::peer
