#include "platform/NetworkInterfaces.h"

#include "platform/Log.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>

namespace pd {

namespace {

std::string dottedQuad(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    if (::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

}  // namespace

NetworkInterfaceProvider::~NetworkInterfaceProvider() = default;

std::vector<NetInterface> SystemNetworkInterfaces::interfaces() {
    std::vector<NetInterface> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        PD_LOG_WARN("cannot list network interfaces: {}", std::strerror(errno));
        return result;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        NetInterface item;
        item.name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        item.address = dottedQuad(entry->ifa_addr);
        item.netmask = dottedQuad(entry->ifa_netmask);
        // ifa_broadaddr shares its slot with the point-to-point peer; only IFF_BROADCAST makes
        // it a broadcast address.
        if ((entry->ifa_flags & IFF_BROADCAST) != 0) {
            item.broadcast = dottedQuad(entry->ifa_broadaddr);
        }
        item.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        item.up = (entry->ifa_flags & IFF_UP) != 0;
        result.push_back(std::move(item));
    }
    ::freeifaddrs(list);
    return result;
}

FixedNetworkInterfaces::FixedNetworkInterfaces(std::vector<NetInterface> list)
    : list_(std::move(list)) {}

std::vector<NetInterface> FixedNetworkInterfaces::interfaces() {
    return list_;
}

NetInterface FixedNetworkInterfaces::loopback() {
    return NetInterface{"lo", "127.0.0.1", "255.0.0.0", "127.255.255.255", true, true};
}

}  // namespace pd
