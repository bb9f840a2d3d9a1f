#pragma once
// A made-up list of devices on the computer's hotspot; speeds and counters move with time so
// the phone's once-a-second poll shows changing values. Three devices are always there; a
// fourth joins for 30 seconds of every 90, from the 30th second on, so a list that grows and
// shrinks can be seen without a script (see HotspotScript for one).

#include <cstdint>
#include <string>
#include <vector>

namespace pd::peer {

inline constexpr std::int32_t kConnTypeOrdinary = 0;
inline constexpr std::int32_t kConnTypeBlocked = 1;
inline constexpr std::int32_t kConnTypeThisPhone = 2;

struct HotspotClient {
    std::string phoneModel;
    std::string macAddress;
    std::string tranSpeed;  // kilobytes per second, as text
    std::int32_t connTime = 0;
    std::int32_t connState = 1;
    std::int32_t connType = kConnTypeOrdinary;
    std::int32_t upValue = 0;
    std::int32_t downValue = 0;
    std::string deviceIMEI;
};

class HotspotRoster {
  public:
    // The devices as of secondsUp seconds after the link was opened.
    static std::vector<HotspotClient> snapshot(std::int64_t secondsUp);
};

}  // namespace pd::peer
