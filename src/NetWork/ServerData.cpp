#include "NetWork/ServerData.h"

#include <cstdint>
#include <vector>

namespace pd {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimmed(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isSpace(text[first])) {
        ++first;
    }
    while (last > first && isSpace(text[last - 1])) {
        --last;
    }
    return std::string(text.substr(first, last - first));
}

// Leading white space, then decimal digits up to the first other character. Anything that is
// not a port (no digits, or a value above 65535, however long) gives 0.
std::int32_t portValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    std::int32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 65535) {
            return 0;
        }
    }
    return value;
}

std::vector<std::string_view> splitAtColons(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = line.find(':', start);
        if (colon == std::string_view::npos) {
            parts.push_back(line.substr(start));
            return parts;
        }
        parts.push_back(line.substr(start, colon - start));
        start = colon + 1;
    }
}

}  // namespace

void ServerData::HandData(std::string_view line) {
    const std::vector<std::string_view> parts = splitAtColons(line);
    if (parts.size() < 2) {
        return;
    }
    const std::string_view name = parts[0];
    const std::string_view value = parts[1];
    if (name == "IP") {
        IP = trimmed(value);
    } else if (name == "Display-IP") {
        DisplayIP = value;
    } else if (name == "Device-Type") {
        DeviceType = value;
    } else if (name == "Device-Name") {
        const std::size_t dash = value.rfind('-');
        if (dash != std::string_view::npos) {
            DeviceName = value.substr(0, dash);
            DeviceNameTag = value.substr(dash + 1);
        }
    } else if (name == "User-Agent") {
        UserAgent = value;
    } else if (name == "Broadcast-Version") {
        BroadcastVersion = value;
    } else if (name == "QVRWSAP-Support") {
        WSAPSupport = std::string(value);
    } else if (name == "QVRWSAP-Port") {
        WSAPPort = portValue(value);
    } else if (name == "QVRWSAP-Version") {
        WSAPVersion = value;
    } else if (name == "QVRWSAP-Need-Authorization") {
        WSAPNeedAuthorization = value;
    } else if (name == "Http-Port") {
        HttpPort = portValue(value);
    }
    // "Date" and every other name carry nothing the phone uses.
}

}  // namespace pd
