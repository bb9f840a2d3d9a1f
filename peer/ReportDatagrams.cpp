#include "ReportDatagrams.h"

#include <algorithm>

namespace pd::peer {

namespace {

std::uint64_t getLe(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

// A fixed 16-byte text field, up to its first zero byte.
std::string text16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const auto field = bytes.subspan(offset, 16);
    const auto end = std::find(field.begin(), field.end(), 0);
    return std::string(field.begin(), end);
}

// The message code at offset 11 and the two bytes after it, which every message carries.
bool header(std::span<const std::uint8_t> d, std::uint8_t code, std::uint8_t sub) {
    return d[11] == code && d[12] == sub && d[13] == 5;
}

}  // namespace

int requestedServerKind(std::span<const std::uint8_t> d) {
    if (d.size() != report::kServerInfoRequestSize || !header(d, 2, 0)) {
        return 0;
    }
    return d[14] == 1 || d[14] == 2 ? d[14] : 0;
}

nlohmann::ordered_json describeReportDatagram(std::span<const std::uint8_t> d) {
    nlohmann::ordered_json event = {{"event", "report"}, {"kind", "unknown"}, {"bytes", d.size()}};
    if (const int kind = requestedServerKind(d); kind != 0) {
        event["kind"] = "server_info_request";
        event["server"] = kind == 1 ? "keep-alive" : "statistics";
        event["pcid"] = text16(d, 15);
    } else if (d.size() == report::kKeepAliveReportSize && header(d, 4, 0) &&
               getLe(d, 14, 2) == 88) {
        event["kind"] = "keep_alive";
        event["pcid"] = text16(d, 16);
        event["version"] = versionText(getLe(d, 32, 8));
        event["version_md5"] = text16(d, 41);
    } else if (d.size() == report::kStatisticsReportSize && header(d, 6, 1) &&
               getLe(d, 30, 2) == 88) {
        event["kind"] = "statistics";
        event["pcid"] = text16(d, 14);
        event["version"] = versionText(getLe(d, 32, 8));
        event["time"] = static_cast<std::int64_t>(getLe(d, 40, 8));
        event["button"] = getLe(d, 48, 4);
    }
    return event;
}

std::vector<std::uint8_t> serverInfoReply(report::ServerKind kind, std::uint16_t port,
                                          std::string_view address) {
    // The address is ours (an IPv4 text), so it always fits the 16-bit length.
    std::vector<std::uint8_t> reply(21 + address.size(), 0);
    reply[13] = 1;
    reply[14] = static_cast<std::uint8_t>(kind);
    reply[15] = static_cast<std::uint8_t>(port & 0xff);
    reply[16] = static_cast<std::uint8_t>(port >> 8);
    reply[19] = static_cast<std::uint8_t>(address.size() & 0xff);
    reply[20] = static_cast<std::uint8_t>(address.size() >> 8);
    std::copy(address.begin(), address.end(), reply.begin() + 21);
    return reply;
}

std::string versionText(std::uint64_t v) {
    return std::to_string(v >> 48) + "." + std::to_string((v >> 32) & 0xffff) + "." +
           std::to_string((v >> 16) & 0xffff) + "." + std::to_string(v & 0xffff);
}

}  // namespace pd::peer
