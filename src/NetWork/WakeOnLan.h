#pragma once
// Wake-on-LAN: the "magic packet" that a sleeping computer's network card watches for, and
// the way to send it. Nothing of the link is involved: the computer is asleep.
//
// The packet goes by UDP to the broadcast address of the interface that reaches the computer,
// since a sleeping computer answers no neighbour lookup and so cannot be sent to directly.

#include "platform/HardwareAddress.h"
#include "platform/NetworkInterfaces.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pd {

inline constexpr std::uint16_t kWakePort = 9;  // the "discard" port, by custom
inline constexpr std::size_t kMagicPacketBytes = 102;
using MagicPacket = std::array<std::uint8_t, kMagicPacketBytes>;

// Six 0xFF bytes, then the hardware address sixteen times.
MagicPacket magicPacket(const HardwareAddress& address);

// Where a packet for a computer goes out.
struct WakeRoute {
    std::string interfaceName;
    std::string source;     // the interface's own address
    std::string broadcast;  // its broadcast address (address | ~netmask when it reports none)

    bool operator==(const WakeRoute&) const = default;
};

// The up interface whose subnet holds `ip`, the narrowest one when several do. With
// `onlyName` that interface whatever its subnet (the computer may have a new address by now).
// nullopt when none fits or the chosen one has no usable IPv4 address and netmask.
std::optional<WakeRoute> wakeRouteFor(const std::vector<NetInterface>& interfaces,
                                      const std::string& ip, const std::string& onlyName = {});

struct WakeSendResult {
    bool sent = false;
    std::string error;  // why not, when not sent
};

// Sends the packet from `source` (empty: any address) to destination:port by UDP. The socket
// may broadcast only when `broadcast` says the destination is a broadcast address.
[[nodiscard]] WakeSendResult sendMagicPacket(const MagicPacket& packet,
                                             const std::string& destination, std::uint16_t port,
                                             bool broadcast, const std::string& source = {});

}  // namespace pd
