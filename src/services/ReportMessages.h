#pragma once
// The usage report service's datagrams: pure functions over bytes. Integers are little-endian;
// text fields are ASCII without terminator, and fixed-size ones are zero-filled (never short).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pd::report {

enum class ServerKind : std::uint8_t { KeepAlive = 1, Statistics = 2 };

inline constexpr std::size_t kServerInfoRequestSize = 31;
inline constexpr std::size_t kKeepAliveReportSize = 73;
inline constexpr std::size_t kStatisticsReportSize = 52;
// A reply longer than this is cut to it.
inline constexpr std::size_t kMaxReplySize = 1024;

using ServerInfoRequest = std::array<std::uint8_t, kServerInfoRequestSize>;
using KeepAliveReport = std::array<std::uint8_t, kKeepAliveReportSize>;
using StatisticsReport = std::array<std::uint8_t, kStatisticsReportSize>;

// What every report carries about this installation.
struct ReportIdentity {
    std::string pcid;    // the device identifier (16 characters)
    std::string verMd5;  // short MD5 of the version text (16 characters)
    std::uint64_t submitLLVer = 0;
};

// A usable reply of the dispatcher. `port` 0 means "no server of this kind".
struct ServerInfo {
    ServerKind kind = ServerKind::KeepAlive;
    std::uint16_t port = 0;
    std::string address;  // host name or dotted IPv4 address
};

ServerInfoRequest buildServerInfoRequest(ServerKind kind, std::string_view pcid);
KeepAliveReport buildKeepAliveReport(const ReportIdentity& id);
StatisticsReport buildStatisticsReport(const ReportIdentity& id, std::int64_t unixSeconds,
                                       std::uint32_t bnID);

// Null unless the datagram is a usable reply: code 1 at offset 13, a known kind, and an
// address text of at least one byte that fits in the datagram.
std::optional<ServerInfo> parseServerInfoReply(std::span<const std::uint8_t> datagram);

// The version text a.b.c.d as one number, 16 bits a part from the highest; 0 unless there are
// exactly four parts. Computed modulo 2^64, so large parts wrap instead of overflowing.
std::uint64_t BuildLongVersion(std::string_view version);

}  // namespace pd::report
