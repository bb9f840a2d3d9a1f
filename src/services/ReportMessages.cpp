#include "services/ReportMessages.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <vector>

namespace pd::report {

namespace {

constexpr std::size_t kFixedTextSize = 16;

template <std::size_t N>
void putLe(std::array<std::uint8_t, N>& out, std::size_t offset, std::uint64_t value,
           std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A fixed 16-byte text field: longer text is cut, shorter text is zero-filled.
template <std::size_t N>
void putText16(std::array<std::uint8_t, N>& out, std::size_t offset, std::string_view text) {
    const std::size_t n = std::min(text.size(), kFixedTextSize);
    std::copy_n(text.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint16_t getLe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// A part read as a signed 64-bit number: leading digits with an optional sign; anything else
// reads as 0 and a number too large saturates.
std::int64_t readPart(std::string_view part) {
    std::size_t start = 0;
    if (!part.empty() && part[0] == '+') {
        start = 1;
    }
    std::int64_t value = 0;
    const char* first = part.data() + start;
    const auto [end, ec] = std::from_chars(first, part.data() + part.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return (part.substr(start).starts_with('-')) ? std::numeric_limits<std::int64_t>::min()
                                                     : std::numeric_limits<std::int64_t>::max();
    }
    return ec == std::errc() ? value : 0;
}

}  // namespace

ServerInfoRequest buildServerInfoRequest(ServerKind kind, std::string_view pcid) {
    ServerInfoRequest out{};
    out[11] = 2;
    out[12] = 0;
    out[13] = 5;
    out[14] = static_cast<std::uint8_t>(kind);
    putText16(out, 15, pcid);
    return out;
}

KeepAliveReport buildKeepAliveReport(const ReportIdentity& id) {
    KeepAliveReport out{};
    out[11] = 4;
    out[12] = 0;
    out[13] = 5;
    putLe(out, 14, 88, 2);
    putText16(out, 16, id.pcid);
    putLe(out, 32, id.submitLLVer, 8);
    out[40] = 0;
    putText16(out, 41, id.verMd5);
    return out;  // 57..72 stay zero
}

StatisticsReport buildStatisticsReport(const ReportIdentity& id, std::int64_t unixSeconds,
                                       std::uint32_t bnID) {
    StatisticsReport out{};
    out[11] = 6;
    out[12] = 1;
    out[13] = 5;
    putText16(out, 14, id.pcid);
    putLe(out, 30, 88, 2);
    putLe(out, 32, id.submitLLVer, 8);
    putLe(out, 40, static_cast<std::uint64_t>(unixSeconds), 8);
    putLe(out, 48, bnID, 4);
    return out;
}

std::optional<ServerInfo> parseServerInfoReply(std::span<const std::uint8_t> datagram) {
    constexpr std::size_t kHeader = 21;
    if (datagram.size() > kMaxReplySize) {
        datagram = datagram.first(kMaxReplySize);
    }
    if (datagram.size() < kHeader || datagram[13] != 1) {
        return std::nullopt;
    }
    const std::uint8_t kind = datagram[14];
    if (kind != 1 && kind != 2) {
        return std::nullopt;
    }
    const std::size_t length = getLe16(datagram, 19);
    if (length == 0 || datagram.size() < kHeader + length) {
        return std::nullopt;
    }
    ServerInfo info;
    info.kind = static_cast<ServerKind>(kind);
    info.port = getLe16(datagram, 15);
    if (info.port == 0) {
        info.port = getLe16(datagram, 17);
    }
    info.address.assign(reinterpret_cast<const char*>(datagram.data() + kHeader), length);
    return info;
}

std::uint64_t BuildLongVersion(std::string_view version) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = version.find('.', start);
        parts.push_back(version.substr(start, dot - start));
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (parts.size() != 4) {
        return 0;
    }
    std::uint64_t p[4];
    for (std::size_t i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint64_t>(readPart(parts[i]));
    }
    std::uint64_t value = (p[0] * 65536 + p[1]) & 0xFFFFFFFFu;
    value = value * 65536 + p[2];
    return value * 65536 + p[3];
}

}  // namespace pd::report
