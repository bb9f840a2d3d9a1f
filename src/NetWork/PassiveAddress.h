#pragma once
// The data-channel address of a "227" reply ("host:port"), accepted only when it is usable and
// names the address the link itself uses: the phone never connects anywhere else.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

struct PassiveAddress {
    std::string host;  // dotted IPv4 text, as the link uses it
    std::uint16_t port = 0;
};

// nullopt for anything but "a.b.c.d:port" with exactly one colon, a decimal port 1..65535 and
// an address equal to `linkHost` (the computer's address of the link).
std::optional<PassiveAddress> parsePassiveAddress(std::string_view text, std::string_view linkHost);

}  // namespace pd
