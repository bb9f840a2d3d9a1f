#include "NetWork/WakeOnLan.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

namespace pd {

namespace {

std::optional<std::uint32_t> hostOrder(const std::string& text) {
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return ntohl(address.s_addr);
}

std::string dotted(std::uint32_t value) {
    in_addr address{};
    address.s_addr = htonl(value);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::optional<WakeRoute> routeOf(const NetInterface& entry) {
    const auto address = hostOrder(entry.address);
    const auto mask = hostOrder(entry.netmask);
    if (!address || !mask) {
        return std::nullopt;
    }
    // Loopback reports no broadcast address; the net's highest address serves.
    std::string broadcast = entry.broadcast;
    if (!hostOrder(broadcast)) {
        broadcast = dotted(*address | ~*mask);
    }
    return WakeRoute{entry.name, entry.address, broadcast};
}

struct Socket {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ~Socket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

WakeSendResult failed(const std::string& what) {
    return WakeSendResult{false, what + ": " + std::strerror(errno)};
}

sockaddr_in socketAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address);
    result.sin_port = htons(port);
    return result;
}

}  // namespace

MagicPacket magicPacket(const HardwareAddress& address) {
    MagicPacket packet{};
    std::fill_n(packet.begin(), 6, std::uint8_t{0xff});
    for (std::size_t copy = 0; copy < 16; ++copy) {
        std::copy(address.begin(), address.end(), packet.begin() + 6 + copy * address.size());
    }
    return packet;
}

std::optional<WakeRoute> wakeRouteFor(const std::vector<NetInterface>& interfaces,
                                      const std::string& ip, const std::string& onlyName) {
    if (!onlyName.empty()) {
        for (const NetInterface& entry : interfaces) {
            if (entry.name == onlyName && entry.up) {
                if (auto route = routeOf(entry)) {
                    return route;
                }
            }
        }
        return std::nullopt;
    }
    const auto target = hostOrder(ip);
    if (!target) {
        return std::nullopt;
    }
    std::optional<WakeRoute> best;
    int bestPrefix = -1;
    for (const NetInterface& entry : interfaces) {
        const auto address = hostOrder(entry.address);
        const auto mask = hostOrder(entry.netmask);
        if (!entry.up || !address || !mask || (*address & *mask) != (*target & *mask)) {
            continue;
        }
        const int prefix = std::popcount(*mask);
        if (prefix > bestPrefix) {
            best = routeOf(entry);
            bestPrefix = prefix;
        }
    }
    return best;
}

WakeSendResult sendMagicPacket(const MagicPacket& packet, const std::string& destination,
                               std::uint16_t port, bool broadcast, const std::string& source) {
    const auto to = hostOrder(destination);
    if (!to) {
        return WakeSendResult{false, "'" + destination + "' is not an IPv4 address"};
    }
    Socket socket;
    if (socket.fd < 0) {
        return failed("cannot open a UDP socket");
    }
    const int on = 1;
    if (broadcast && ::setsockopt(socket.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        return failed("cannot allow broadcasts");
    }
    if (!source.empty()) {
        const auto from = hostOrder(source);
        if (!from) {
            return WakeSendResult{false, "'" + source + "' is not an IPv4 address"};
        }
        // Leaving from the interface's own address keeps the packet on that interface.
        const sockaddr_in local = socketAddress(*from, 0);
        if (::bind(socket.fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            return failed("cannot send from " + source);
        }
    }
    const sockaddr_in remote = socketAddress(*to, port);
    const ssize_t sent = ::sendto(socket.fd, packet.data(), packet.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    if (sent != static_cast<ssize_t>(packet.size())) {
        return failed("cannot send to " + destination + ":" + std::to_string(port));
    }
    return WakeSendResult{true, {}};
}

}  // namespace pd
