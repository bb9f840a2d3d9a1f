#include "app/ComputerAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace pd::app {

namespace {

std::optional<int> parsePort(std::string_view text) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < 1 || value > 65535) {
        return std::nullopt;
    }
    return value;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

std::optional<ServerData> parseAddressTarget(const std::string& text) {
    const auto first = text.find(':');
    const auto second = text.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return std::nullopt;
    }
    const std::string host = text.substr(0, first);
    in_addr addr{};
    const auto control = parsePort(std::string_view(text).substr(first + 1, second - first - 1));
    const auto http = parsePort(std::string_view(text).substr(second + 1));
    if (::inet_pton(AF_INET, host.c_str(), &addr) != 1 || !control || !http) {
        return std::nullopt;
    }
    ServerData s;
    s.IP = host;
    s.DeviceName = host;
    // Without discovery the address stands for the computer's identity (and can be read back).
    s.DeviceNameTag = text;
    s.WSAPSupport = "TRUE";
    s.WSAPPort = *control;
    s.HttpPort = *http;
    return s;
}

std::optional<std::size_t> rowForComputer(const std::vector<ServerListData>& rows,
                                          const std::string& wanted) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ServerData& s = rows[i].serverData;
        if (s.DeviceNameTag == wanted || s.IP == wanted || lower(s.DeviceName) == lower(wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace pd::app
