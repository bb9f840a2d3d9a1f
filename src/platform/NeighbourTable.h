#pragma once
// The kernel's IPv4 neighbour (ARP) table, read to learn a computer's hardware address while
// a link to it is up, so that it can be woken later. The file's path is injected: a loopback
// computer never has an entry, so tests give a table of their own.

#include "platform/HardwareAddress.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

// The hardware address of `ip` in the text of /proc/net/arp ("IP address  HW type  Flags
// HW address  Mask  Device" and one entry a line). Incomplete entries (no ATF_COM flag, or an
// all-zero address) and lines that do not parse are skipped.
std::optional<HardwareAddress> hardwareAddressIn(std::string_view table, std::string_view ip);

class NeighbourTable {
  public:
    static constexpr const char* kSystemTable = "/proc/net/arp";

    explicit NeighbourTable(std::filesystem::path file = kSystemTable);

    // Reads the table now; nullopt when it cannot be read or holds no complete entry for `ip`.
    std::optional<HardwareAddress> hardwareAddressOf(const std::string& ip) const;

  private:
    std::filesystem::path file_;
};

}  // namespace pd
