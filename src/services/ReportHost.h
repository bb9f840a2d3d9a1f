#pragma once
// Where the usage report service's dispatcher is: the `report-host` setting, HOST[:PORT].

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pd::report {

inline constexpr std::uint16_t kDefaultDispatcherPort = 8200;

struct ReportEndpoint {
    std::string host;  // a host name or a dotted IPv4 address
    std::uint16_t port = kDefaultDispatcherPort;

    bool operator==(const ReportEndpoint&) const = default;
};

// Null when the text is not HOST[:PORT]: a host of letters, digits, '.', '-' and '_' (at most
// 253 characters), and a port from 1 to 65535.
std::optional<ReportEndpoint> parseReportHost(std::string_view text);

}  // namespace pd::report
