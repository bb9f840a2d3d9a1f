#pragma once
// One computer found by discovery, filled line by line from the header lines of its reply.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

struct ServerData {
    // Texts are kept as they follow the colon, spaces included, except IP, which is trimmed.
    std::string IP;  // the address to connect to
    std::string DisplayIP;
    std::string DeviceType;
    std::string DeviceName;     // "Device-Name" before its last "-": the name shown
    std::string DeviceNameTag;  // "Device-Name" after its last "-": the computer's identity
    std::string UserAgent;
    std::string BroadcastVersion;
    // Absent when the reply had no such header; such a computer is not listed.
    std::optional<std::string> WSAPSupport;
    std::int32_t WSAPPort = 0;  // TCP port of the control service; 0 when unusable
    std::string WSAPVersion;
    std::string WSAPNeedAuthorization;
    std::int32_t HttpPort = 0;  // port of the HTTP file service; 0 when unusable

    // Applies one "Name:Value" header line. Lines without a colon, "Date" and unknown names are
    // ignored; text after a second colon is not part of the value.
    void HandData(std::string_view line);

    bool operator==(const ServerData&) const = default;
};

}  // namespace pd
