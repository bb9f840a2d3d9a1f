#pragma once
// An Ethernet (MAC) address: six bytes, written as six colon-separated hexadecimal pairs.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

using HardwareAddress = std::array<std::uint8_t, 6>;

// "aa:bb:cc:dd:ee:ff" in either case (also with '-' between the pairs); nullopt otherwise.
std::optional<HardwareAddress> parseHardwareAddress(std::string_view text);
// Lower case with colons, as the kernel writes it.
std::string formatHardwareAddress(const HardwareAddress& address);

}  // namespace pd
