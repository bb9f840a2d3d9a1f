#include "TicketBook.h"

#include <algorithm>

namespace pd::peer {

void TicketBook::issue(const std::string& deviceUuid, const std::string& ticket) {
    std::lock_guard lock(mutex_);
    Device& device = devices_[deviceUuid];
    device.lastIssued = ++issueCount_;
    auto known = std::find(device.tickets.begin(), device.tickets.end(), ticket);
    if (known != device.tickets.end()) {
        device.tickets.erase(known);
    }
    device.tickets.push_back(ticket);
    if (device.tickets.size() > kMaxTicketsPerDevice) {
        device.tickets.pop_front();
    }
    if (devices_.size() > kMaxDevices) {
        auto oldest = std::min_element(devices_.begin(), devices_.end(), [](auto& a, auto& b) {
            return a.second.lastIssued < b.second.lastIssued;
        });
        devices_.erase(oldest);
    }
}

std::vector<std::string> TicketBook::ticketsFor(std::string_view deviceUuid) const {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(deviceUuid);
    if (it == devices_.end()) {
        return {};
    }
    return {it->second.tickets.rbegin(), it->second.tickets.rend()};
}

std::string TicketBook::deviceUuidOf(std::string_view deviceInfo) {
    std::size_t dash = deviceInfo.rfind('-');
    return std::string(dash == std::string_view::npos ? deviceInfo : deviceInfo.substr(dash + 1));
}

}  // namespace pd::peer
