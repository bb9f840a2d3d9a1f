#include "model/WifiListItemData.h"

#include "model/RecordFields.h"

namespace pd {

std::optional<WifiListItemData> WifiListItemData::WifiListWifhArr(msg::View arr) {
    if (!arr.isArray() || arr.size() != 9) {
        return std::nullopt;
    }
    auto phoneModel = fields::utf8OrAbsent(arr[0]);
    auto macAddress = fields::utf8OrAbsent(arr[1]);
    auto tranSpeed = fields::utf8OrAbsent(arr[2]);
    const auto connTime = arr[3].asInt32Wrapped();
    const auto connState = arr[4].asInt32Wrapped();
    const auto connType = arr[5].asInt32Wrapped();
    const auto upValue = arr[6].asInt32Wrapped();
    const auto downValue = arr[7].asInt32Wrapped();
    auto deviceIMEI = fields::utf8OrAbsent(arr[8]);
    if (!phoneModel || !macAddress || !tranSpeed || !connTime || !connState || !connType ||
        !upValue || !downValue || !deviceIMEI) {
        return std::nullopt;
    }
    WifiListItemData d;
    d.phoneModel = std::move(*phoneModel);
    d.macAddress = std::move(*macAddress);
    d.tranSpeed = std::move(*tranSpeed);
    d.connTime = *connTime;
    d.connState = *connState;
    d.connType = *connType;
    d.upValue = *upValue;
    d.downValue = *downValue;
    d.deviceIMEI = std::move(*deviceIMEI);
    return d;
}

}  // namespace pd
