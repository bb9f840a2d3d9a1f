#include "controllers/WifiMgrVC.h"

#include "core/AuthCore.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"

#include <set>

namespace pd {

namespace {

// Hardware addresses seen on the hotspot since the application started; empty until the first
// list, which is taken as it is without an announcement. Main queue only.
struct SeenDevices {
    bool baseline = false;
    std::set<std::string> addresses;
};

SeenDevices& seenDevices() {
    static SeenDevices seen;
    return seen;
}

}  // namespace

WifiMgrVC::WifiMgrVC(std::weak_ptr<WifiMgrView> view, AuthCore& core,
                     std::chrono::milliseconds interval)
    : view_(std::move(view)), core_(core), interval_(interval) {}

WifiMgrVC::~WifiMgrVC() {
    timer_.reset();
    core_.clearDelegate(this);
}

void WifiMgrVC::resetSeenDevicesForTests() {
    seenDevices() = {};
}

void WifiMgrVC::viewDidLoad() {
    if (auto v = view()) {
        v->setTitle("wifi connected device");
    }
    openRow_ = -1;
    core_.setDelegate(shared_from_this());
    // The "SpeedTimer": it ticks on the main queue, where the core controller lives, and only
    // issues the request.
    std::weak_ptr<WifiMgrVC> weak = weak_from_this();
    timer_ = std::make_unique<RepeatingTimer>(MainQueue::shared(), std::chrono::milliseconds(0),
                                              interval_, std::chrono::seconds(1), [weak] {
                                                  if (auto self = weak.lock()) {
                                                      self->core_.WiFiManagerList();
                                                  }
                                              });
    timer_->start();
}

void WifiMgrVC::DoBack() {
    timer_.reset();
    core_.clearDelegate(this);
    if (auto v = view()) {
        v->closeScreen();
    }
}

WifiRow WifiMgrVC::rowFor(const WifiListItemData& item) {
    const std::string model = item.phoneModel.value_or("");
    const std::string speed = item.tranSpeed.value_or("") + "KB/s";
    switch (item.connType) {
        case 0:
            return {"wifi_device", model, speed, {"limit", "block"}, 0};
        case 1:
            return {"wifi_blocked", model, "", {"restore"}, 1};
        case 2:
            return {"wifi_device",
                    Localized("my equipment"),
                    speed,
                    {"computer manager", "backup", "remote control"},
                    2};
        default:
            return {"wifi_device", model, "", {}, item.connType};
    }
}

std::vector<WifiRow> WifiMgrVC::rows() const {
    std::vector<WifiRow> all;
    all.reserve(listArr_.size());
    for (const WifiListItemData& item : listArr_) {
        all.push_back(rowFor(item));
    }
    return all;
}

void WifiMgrVC::AuthCoreListFinish(const std::vector<WifiListItemData>& clients) {
    if (!timer_) {
        return;  // an answer to a poll of before the screen was left
    }
    const bool countChanged = clients.size() != listArr_.size();
    listArr_ = clients;
    announceNewcomers();
    auto v = view();
    if (!v) {
        return;
    }
    const std::vector<WifiRow> all = rows();
    // A different number of devices moves rows: the open row's index no longer names it.
    if (openRow_ < 0 || countChanged) {
        openRow_ = -1;
        v->reloadAll(all);
        return;
    }
    std::vector<std::size_t> others;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (static_cast<long>(i) != openRow_) {
            others.push_back(i);
        }
    }
    v->reloadRows(others, all);
}

void WifiMgrVC::announceNewcomers() {
    SeenDevices& seen = seenDevices();
    auto v = view();
    for (const WifiListItemData& item : listArr_) {
        if (!item.macAddress || item.macAddress->empty()) {
            continue;
        }
        if (seen.addresses.insert(*item.macAddress).second && seen.baseline && v) {
            v->newDeviceJoined(item.phoneModel.value_or(*item.macAddress));
        }
    }
    seen.baseline = true;
}

void WifiMgrVC::swipeStateChanged(std::size_t row, bool open) {
    openRow_ = open ? static_cast<long>(row) : -1;
}

void WifiMgrVC::didTriggerRightUtilityButton(std::size_t row, int index) {
    if (index != 0 && index != 1) {
        return;
    }
    if (auto v = view()) {
        v->closeSwipeActions(row);
    }
}

}  // namespace pd
