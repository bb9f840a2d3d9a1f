#include "NetWork/PassiveAddress.h"

#include <arpa/inet.h>

#include <charconv>

namespace pd {

namespace {

std::optional<in_addr> ipv4(std::string_view text) {
    in_addr addr{};
    const std::string copy(text);  // inet_pton needs a terminated string
    if (::inet_pton(AF_INET, copy.c_str(), &addr) != 1) {
        return std::nullopt;
    }
    return addr;
}

}  // namespace

std::optional<PassiveAddress> parsePassiveAddress(std::string_view text,
                                                  std::string_view linkHost) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    unsigned port = 0;
    const auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (portText.empty() || ec != std::errc() || end != portText.data() + portText.size() ||
        port == 0 || port > 65535) {
        return std::nullopt;
    }
    const auto named = ipv4(host);
    const auto linked = ipv4(linkHost);
    if (!named || !linked || named->s_addr != linked->s_addr) {
        return std::nullopt;
    }
    return PassiveAddress{std::string(linkHost), static_cast<std::uint16_t>(port)};
}

}  // namespace pd
