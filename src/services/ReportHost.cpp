#include "services/ReportHost.h"

#include <algorithm>
#include <charconv>

namespace pd::report {

std::optional<ReportEndpoint> parseReportHost(std::string_view text) {
    ReportEndpoint endpoint;
    std::string_view host = text;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::string_view port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value == 0 ||
            value > 65535) {
            return std::nullopt;
        }
        endpoint.port = static_cast<std::uint16_t>(value);
    }
    const bool hostOk = !host.empty() && host.size() <= 253 && host.front() != '-' &&
                        std::all_of(host.begin(), host.end(), [](char c) {
                            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                   (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
                        });
    if (!hostOk) {
        return std::nullopt;
    }
    endpoint.host = std::string(host);
    return endpoint;
}

}  // namespace pd::report
