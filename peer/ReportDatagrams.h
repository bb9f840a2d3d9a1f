#pragma once
// What the peer's report endpoint makes of the phone's usage report datagrams, and the answer
// it gives as the report service's dispatcher. Pure functions over bytes.

#include "services/ReportMessages.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pd::peer {

// The largest datagram the endpoint reads; a longer one is refused unread.
inline constexpr std::size_t kMaxReportDatagram = 1024;

// One JSON event line for a datagram: {"event":"report","kind":..., "bytes":N, ...} with the
// decoded fields of a server-information request ("server", "pcid"), a keep-alive report
// ("pcid", "version", "version_md5") or a statistics report ("pcid", "version", "time",
// "button"); "kind":"unknown" for anything else. Fixed text fields end at their first zero.
nlohmann::ordered_json describeReportDatagram(std::span<const std::uint8_t> datagram);

// The server kind a server-information request asks for, or 0 when the datagram is none.
int requestedServerKind(std::span<const std::uint8_t> datagram);

// The dispatcher's reply naming `address`:`port` as the server of `kind`.
std::vector<std::uint8_t> serverInfoReply(report::ServerKind kind, std::uint16_t port,
                                          std::string_view address);

// The long version number as "a.b.c.d", 16 bits a part from the highest.
std::string versionText(std::uint64_t longVersion);

}  // namespace pd::peer
