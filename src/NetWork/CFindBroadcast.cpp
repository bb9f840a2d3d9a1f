#include "NetWork/CFindBroadcast.h"

#include "platform/Log.h"
#include "platform/SerialQueue.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace pd {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class SocketFd {
  public:
    explicit SocketFd(int fd) : fd_(fd) {}
    ~SocketFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

std::optional<in_addr> parseIPv4(const std::string& text) {
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return address;
}

std::string dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

sockaddr_in socketAddress(in_addr address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr = address;
    result.sin_port = htons(port);
    return result;
}

timeval toTimeval(milliseconds d) {
    timeval result{};
    result.tv_sec = static_cast<time_t>(d.count() / 1000);
    result.tv_usec = static_cast<suseconds_t>((d.count() % 1000) * 1000);
    return result;
}

struct Endpoint {
    std::string address, netmask, broadcast;
};

// The interface a search runs on; every field empty when none fits.
Endpoint chooseInterface(const std::vector<NetInterface>& list, const std::string& onlyName) {
    Endpoint chosen;
    for (const NetInterface& entry : list) {
        const std::optional<in_addr> address = parseIPv4(entry.address);
        if (!address) {
            continue;
        }
        std::string broadcast = entry.broadcast;
        if (onlyName.empty()) {
            if (entry.loopback || !parseIPv4(broadcast)) {
                continue;
            }
        } else {
            if (entry.name != onlyName) {
                continue;
            }
            if (!parseIPv4(broadcast)) {
                // Loopback reports no broadcast address; the net's highest address serves.
                const std::optional<in_addr> mask = parseIPv4(entry.netmask);
                if (!mask) {
                    continue;
                }
                in_addr computed{};
                computed.s_addr = address->s_addr | ~mask->s_addr;
                broadcast = dotted(computed);
            }
        }
        chosen = Endpoint{entry.address, entry.netmask, broadcast};
    }
    return chosen;
}

}  // namespace

struct CFindBroadcast::State {
    State() : stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~State() {
        if (stopFd >= 0) {
            ::close(stopFd);
        }
    }

    std::string broadcastSnapshot() const {
        std::lock_guard lock(mutex);
        return broadCast;
    }

    mutable std::mutex mutex;
    Options options;
    std::string ipAddr, subMask, broadCast;
    ServerMap servers;
    FinishBlock finish;
    bool searching = false;
    // Readable once the owner is gone: a running search leaves at its next wake.
    const int stopFd;
};

CFindBroadcast& CFindBroadcast::ShareInstance() {
    // Never destroyed: a search may still run while the process ends.
    static CFindBroadcast* const instance = new CFindBroadcast();
    return *instance;
}

CFindBroadcast::CFindBroadcast(Options options)
    : state_(std::make_shared<State>()), queue_(std::make_unique<SerialQueue>("discovery")) {
    setOptions(std::move(options));
}

CFindBroadcast::~CFindBroadcast() {
    const std::uint64_t one = 1;
    if (state_->stopFd >= 0 && ::write(state_->stopFd, &one, sizeof one) != sizeof one) {
        PD_LOG_WARN("cannot cancel the discovery search: {}", std::strerror(errno));
    }
    // Joins a running search, which leaves at once; from the search's own thread it detaches.
    queue_.reset();
}

void CFindBroadcast::setOptions(Options options) {
    if (!options.interfaces) {
        options.interfaces = std::make_shared<SystemNetworkInterfaces>();
    }
    std::lock_guard lock(state_->mutex);
    state_->options = std::move(options);
}

void CFindBroadcast::BdCastfinishBlock(FinishBlock block) {
    std::lock_guard lock(state_->mutex);
    state_->finish = std::move(block);
}

bool CFindBroadcast::FindServerList() {
    return startSearch({});
}

bool CFindBroadcast::FindServersAt(std::vector<std::string> hosts) {
    if (hosts.empty()) {
        // Nothing to ask: report an empty result as any search that finds nothing does.
        hosts.emplace_back();
    }
    return startSearch(std::move(hosts));
}

bool CFindBroadcast::startSearch(std::vector<std::string> hosts) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->searching) {
            PD_LOG_DEBUG("a discovery search is running; joining it");
            return false;
        }
        state_->searching = true;
        state_->servers.clear();
    }
    queue_->async([state = state_, hosts = std::move(hosts)]() mutable {
        runSearch(state, std::move(hosts));
    });
    return true;
}

bool CFindBroadcast::isSearching() const {
    std::lock_guard lock(state_->mutex);
    return state_->searching;
}

void CFindBroadcast::GetIPAddress() {
    Options options;
    {
        std::lock_guard lock(state_->mutex);
        options = state_->options;
    }
    lookUpInterface(*state_, options);
}

std::string CFindBroadcast::szIpAddr() const {
    std::lock_guard lock(state_->mutex);
    return state_->ipAddr;
}

std::string CFindBroadcast::szSubMask() const {
    std::lock_guard lock(state_->mutex);
    return state_->subMask;
}

std::string CFindBroadcast::szBroadCast() const {
    std::lock_guard lock(state_->mutex);
    return state_->broadCast;
}

CFindBroadcast::ServerMap CFindBroadcast::lanServerDic() const {
    std::lock_guard lock(state_->mutex);
    return state_->servers;
}

std::string CFindBroadcast::lookUpInterface(State& state, const Options& options) {
    // Outside the lock: listing the system's interfaces is a system call.
    const Endpoint chosen =
        chooseInterface(options.interfaces->interfaces(), options.interfaceName);
    std::lock_guard lock(state.mutex);
    state.ipAddr = chosen.address;
    state.subMask = chosen.netmask;
    state.broadCast = chosen.broadcast;
    return chosen.address;
}

void CFindBroadcast::runSearch(const std::shared_ptr<State>& state,
                               std::vector<std::string> hosts) {
    Options options;
    {
        std::lock_guard lock(state->mutex);
        options = state->options;
    }
    const bool finished =
        hosts.empty() ? broadcastSearch(*state, options) : unicastSearch(*state, options, hosts);
    ServerMap found;
    FinishBlock block;
    {
        std::lock_guard lock(state->mutex);
        found = state->servers;
        block = state->finish;
        state->searching = false;
    }
    if (!finished) {
        return;
    }
    PD_LOG_INFO("discovery search ended with {} computer(s)", found.size());
    if (block) {
        block(std::move(found));
    }
}

bool CFindBroadcast::broadcastSearch(State& state, const Options& options) {
    const Clock::time_point deadline = Clock::now() + options.searchLimit;
    const std::string address = lookUpInterface(state, options);
    if (address.empty()) {
        PD_LOG_WARN("no IPv4 interface to search for computers on");
        return true;
    }
    // Both were checked when the interface was chosen.
    const std::optional<in_addr> local = parseIPv4(address);
    const std::optional<in_addr> target = parseIPv4(state.broadcastSnapshot());
    if (!local || !target) {
        return true;
    }
    SocketFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        PD_LOG_WARN("cannot create the discovery socket: {}", std::strerror(errno));
        return true;
    }
    const int one = 1;
    const timeval sendTimeout = toTimeval(options.idleTimeout);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    const sockaddr_in bound = socketAddress(*local, options.port);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        PD_LOG_WARN("cannot bind the discovery socket to {}:{}: {}", address, options.port,
                    std::strerror(errno));
        return true;
    }
    const std::string& request = discoveryRequestDatagram();
    const sockaddr_in to = socketAddress(*target, options.port);
    for (int i = 0; i < 2; ++i) {
        const ssize_t sent = ::sendto(socket.get(), request.data(), request.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent != static_cast<ssize_t>(request.size())) {
            PD_LOG_WARN("cannot send the discovery request: {}", std::strerror(errno));
            return true;
        }
    }
    return collectReplies(state, options, socket.get(), deadline);
}

bool CFindBroadcast::unicastSearch(State& state, const Options& options,
                                   const std::vector<std::string>& hosts) {
    const Clock::time_point deadline = Clock::now() + options.searchLimit;
    // Fills szIpAddr and friends as every search does; a named interface also confines the
    // search to its network and its address.
    const std::string address = lookUpInterface(state, options);
    in_addr local{};
    local.s_addr = htonl(INADDR_ANY);
    std::optional<in_addr> netmask;
    if (!options.interfaceName.empty()) {
        std::optional<in_addr> chosen = parseIPv4(address);
        std::string mask;
        {
            std::lock_guard lock(state.mutex);
            mask = state.subMask;
        }
        netmask = parseIPv4(mask);
        if (!chosen || !netmask) {
            PD_LOG_WARN("no IPv4 address on interface {} to ask computers from",
                        options.interfaceName);
            return true;
        }
        local = *chosen;
    }
    std::vector<in_addr> targets;
    for (const std::string& host : hosts) {
        const std::optional<in_addr> target = parseIPv4(host);
        if (!target) {
            if (!host.empty()) {
                PD_LOG_WARN("'{}' is not an IPv4 address to ask for a computer", host);
            }
            continue;
        }
        if (netmask && (target->s_addr & netmask->s_addr) != (local.s_addr & netmask->s_addr)) {
            PD_LOG_INFO("{} is not on interface {}; not asked", host, options.interfaceName);
            continue;
        }
        const bool seen = std::any_of(targets.begin(), targets.end(),
                                      [&](const in_addr& t) { return t.s_addr == target->s_addr; });
        if (!seen) {
            targets.push_back(*target);
        }
    }
    if (targets.empty()) {
        return true;
    }
    SocketFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        PD_LOG_WARN("cannot create the discovery socket: {}", std::strerror(errno));
        return true;
    }
    const timeval sendTimeout = toTimeval(options.idleTimeout);
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    // The discovery port when it is free, as a broadcast search binds it; else any port, since
    // a computer answers the port a request came from (and on this host the port may belong
    // to a computer-side responder).
    const sockaddr_in bound = socketAddress(local, options.port);
    const sockaddr_in anyPort = socketAddress(local, 0);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 &&
        ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&anyPort), sizeof anyPort) != 0) {
        PD_LOG_WARN("cannot bind the discovery socket: {}", std::strerror(errno));
        return true;
    }
    const std::string& request = discoveryRequestDatagram();
    bool anySent = false;
    for (const in_addr& target : targets) {
        const sockaddr_in to = socketAddress(target, options.port);
        for (int i = 0; i < 2; ++i) {
            const ssize_t sent = ::sendto(socket.get(), request.data(), request.size(), 0,
                                          reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (sent != static_cast<ssize_t>(request.size())) {
                // One unreachable computer must not keep the others from being asked.
                PD_LOG_WARN("cannot send the discovery request to {}: {}", dotted(target),
                            std::strerror(errno));
                break;
            }
            anySent = true;
        }
    }
    if (!anySent) {
        return true;
    }
    std::vector<std::uint32_t> asked;
    for (const in_addr& target : targets) {
        asked.push_back(target.s_addr);
    }
    return collectReplies(state, options, socket.get(), deadline, asked);
}

bool CFindBroadcast::collectReplies(State& state, const Options& options, int socket,
                                    Clock::time_point deadline,
                                    const std::vector<std::uint32_t>& asked) {
    std::array<char, kMaxDiscoveryReplyBytes> buffer{};
    // Every address asked by name that has answered: once all have, nobody else will.
    std::vector<std::uint32_t> answered;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            PD_LOG_INFO("discovery search reached its time limit");
            return true;
        }
        const auto wait = std::min<Clock::duration>(options.idleTimeout, deadline - now);
        const int waitMs = static_cast<int>(std::min<std::int64_t>(
            std::chrono::ceil<milliseconds>(wait).count(), std::numeric_limits<int>::max()));
        pollfd fds[2] = {{socket, POLLIN, 0}, {state.stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            PD_LOG_WARN("discovery poll failed: {}", std::strerror(errno));
            return true;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        if (ready == 0) {
            return true;  // quiet for the idle time, or the time limit came
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(socket, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got < 0) {
            PD_LOG_WARN("cannot receive a discovery reply: {}", std::strerror(errno));
            return true;
        }
        const std::string_view datagram(buffer.data(), static_cast<std::size_t>(got));
        if (takeReply(state, options, datagram)) {
            PD_LOG_INFO("discovery search holds {} computers, the most it keeps",
                        options.maxServers);
            return true;
        }
        // A request (our own, looped back) is no answer.
        const std::uint32_t sender = from.sin_addr.s_addr;
        if (!asked.empty() && !datagram.starts_with(kDiscoveryRequestStart) &&
            std::find(asked.begin(), asked.end(), sender) != asked.end() &&
            std::find(answered.begin(), answered.end(), sender) == answered.end()) {
            answered.push_back(sender);
            if (answered.size() == asked.size()) {
                return true;
            }
        }
    }
}

bool CFindBroadcast::takeReply(State& state, const Options& options, std::string_view datagram) {
    const std::optional<std::vector<std::string>> lines = discoveryReplyLines(datagram);
    if (!lines) {
        return false;
    }
    const std::string& key = (*lines)[1];
    {
        std::lock_guard lock(state.mutex);
        if (state.servers.count(key) != 0) {
            return false;
        }
    }
    ServerData server;
    for (std::size_t i = 1; i < lines->size(); ++i) {
        if (!(*lines)[i].empty()) {
            server.HandData((*lines)[i]);
        }
    }
    if (!parseIPv4(server.IP)) {
        PD_LOG_DEBUG("discovery reply without a usable address ignored: '{}'", server.IP);
        return false;
    }
    if (!server.WSAPSupport || *server.WSAPSupport == "FALSE ") {
        return false;
    }
    // A computer listed without a control port could only fail to connect later.
    if (server.WSAPPort < 1 || server.WSAPPort > 65535) {
        PD_LOG_DEBUG("discovery reply without a usable control port ignored: '{}'", key);
        return false;
    }
    std::lock_guard lock(state.mutex);
    if (state.servers.size() < options.maxServers) {
        state.servers.emplace(key, std::move(server));
    }
    return state.servers.size() >= options.maxServers;
}

}  // namespace pd
