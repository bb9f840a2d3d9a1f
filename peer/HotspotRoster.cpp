#include "HotspotRoster.h"

#include <cstdio>

namespace pd::peer {

static std::string speedText(std::int64_t tenths) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%lld", static_cast<long long>(tenths / 10),
                  static_cast<long long>(tenths % 10));
    return buf;
}

std::vector<HotspotClient> HotspotRoster::snapshot(std::int64_t secondsUp) {
    auto t = static_cast<std::int32_t>(secondsUp % 1000000);
    std::int64_t wave = secondsUp % 17;
    std::vector<HotspotClient> devices{
        {"This phone", "02:00:00:00:00:02", speedText(120 + wave * 31), 60 + t, 1,
         kConnTypeThisPhone, 40 * t, 90 * t, "860000000000002"},
        {"Study laptop", "02:00:00:00:00:03", speedText(2400 - wave * 97), 3600 + t, 1,
         kConnTypeOrdinary, 310 * t, 820 * t, ""},
        {"Kitchen tablet", "02:00:00:00:00:04", speedText(0), 120 + t, 1, kConnTypeBlocked, 0, 0,
         "860000000000004"},
    };
    const std::int64_t sinceJoined = secondsUp % 90 - 30;
    if (sinceJoined >= 0 && sinceJoined < 30) {
        devices.push_back({"Guest phone", "02:00:00:00:00:05", speedText(450 + wave * 13),
                           static_cast<std::int32_t>(sinceJoined), 1, kConnTypeOrdinary,
                           20 * static_cast<std::int32_t>(sinceJoined),
                           55 * static_cast<std::int32_t>(sinceJoined), "860000000000005"});
    }
    return devices;
}

}  // namespace pd::peer
