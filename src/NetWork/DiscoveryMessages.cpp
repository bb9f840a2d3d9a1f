#include "NetWork/DiscoveryMessages.h"

#include "platform/Utf8.h"

namespace pd {

const std::string& discoveryRequestDatagram() {
    // The trailing spaces belong to the lines.
    static const std::string datagram = [] {
        std::string text =
            "broadcast QVR-Broadcast/1.0 \r\n"
            "Device-Type:Mobile-Client \r\n"
            "Device-Name:iPhone \r\n"
            "User-Agent:kestrel/1.0.2.3 (IOS7.1) \r\n"
            "Date: Wed, 12 Mar 2010 12:55:57 GMT \r\n"
            "\r\n";
        text.push_back('\0');
        return text;
    }();
    return datagram;
}

std::optional<std::vector<std::string>> discoveryReplyLines(std::string_view datagram) {
    const std::string_view text = datagram.substr(0, datagram.find('\0'));
    if (!isValidUtf8(text)) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (lines.size() < 2) {
        return std::nullopt;
    }
    return lines;
}

}  // namespace pd
