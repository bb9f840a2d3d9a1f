#pragma once
// The texts of LAN discovery: the phone's fixed request datagram and the splitting of a
// computer's reply into its header lines.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

// UDP port of the computer's broadcast responder; the phone binds the same port.
inline constexpr std::uint16_t kDiscoveryPort = 6866;
// At most this many bytes of a reply are read; the rest of a longer datagram is lost.
inline constexpr std::size_t kMaxDiscoveryReplyBytes = 512;
// Every request starts with this; a responder answers datagrams that do.
inline constexpr std::string_view kDiscoveryRequestStart = "broadcast QVR-Broadcast/1.0";

// The request datagram: five CR LF terminated lines, an empty line and one zero byte
// (158 bytes). The text never changes, the date included: computers expect it as it is.
const std::string& discoveryRequestDatagram();

// The lines of a reply: its bytes up to the first zero byte, split at every CR LF. nullopt when
// that text is not UTF-8 or has fewer than two lines, so the reply must be ignored.
std::optional<std::vector<std::string>> discoveryReplyLines(std::string_view datagram);

}  // namespace pd
