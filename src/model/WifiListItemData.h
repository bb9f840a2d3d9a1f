#pragma once
// One device on the computer's hotspot, from the client-list answer.

#include "codec/MsgPack.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pd {

struct WifiListItemData {
    // Texts are absent when the computer sent bytes that are not valid UTF-8.
    std::optional<std::string> phoneModel;
    std::optional<std::string> macAddress;
    std::optional<std::string> tranSpeed;  // kilobytes per second, as the computer formats it
    std::int32_t connTime = 0;
    std::int32_t connState = 0;
    std::int32_t connType = 0;  // 0 ordinary device, 1 blocked device, 2 this phone
    std::int32_t upValue = 0;
    std::int32_t downValue = 0;
    std::optional<std::string> deviceIMEI;

    // From a nine-element list item; nullopt for another element count or a wrong type.
    static std::optional<WifiListItemData> WifiListWifhArr(msg::View arr);

    bool operator==(const WifiListItemData&) const = default;
};

}  // namespace pd
