#pragma once
// The view of the hotspot list: one row per device (icon, name, speed, swipe actions).

#include "controllers/ScreenView.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pd {

struct WifiRow {
    std::string icon;                  // "wifi_device" or "wifi_blocked"
    std::string name;                  // the model, or the text of "my equipment"
    std::string speed;                 // "12.5KB/s", or empty
    std::vector<std::string> actions;  // keys of the swipe actions, in order
    int connType = 0;

    bool operator==(const WifiRow&) const = default;
};

class WifiMgrView : public ScreenView {
  public:
    virtual void setTitle(const std::string& /*key*/) {}
    // Every row anew.
    virtual void reloadAll(const std::vector<WifiRow>& /*rows*/) {}
    // Only these rows (the row whose actions are open keeps its state).
    virtual void reloadRows(const std::vector<std::size_t>& /*indexes*/,
                            const std::vector<WifiRow>& /*rows*/) {}
    virtual void closeSwipeActions(std::size_t /*row*/) {}
    // A device not seen on the hotspot before (since the application started).
    virtual void newDeviceJoined(const std::string& /*model*/) {}
    virtual void closeScreen() {}
};

}  // namespace pd
