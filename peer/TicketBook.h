#pragma once
// The tickets our handshakes handed out, by the device UUID of the phone that received them.
// The HTTP file service accepts a signed link only when one of these tickets signs it.
//
// A ticket stays valid for the life of the process: a phone that reconnects gets a new ticket
// and re-signs its links, but a download still running under the old one may go on (and
// resume). The book is bounded: the newest kMaxTicketsPerDevice tickets of a device and the
// kMaxDevices devices seen most recently are kept; older ones are forgotten.
//
// Thread-safe: link threads issue, HTTP worker threads look up.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pd::peer {

class TicketBook {
  public:
    static constexpr std::size_t kMaxTicketsPerDevice = 16;
    static constexpr std::size_t kMaxDevices = 1024;

    // Records that `ticket` was issued to the phone `deviceUuid` (again is harmless).
    void issue(const std::string& deviceUuid, const std::string& ticket);
    // The device's tickets, newest first; empty for a device we never accepted.
    std::vector<std::string> ticketsFor(std::string_view deviceUuid) const;

    // The phone's device info is its model name, "-" and its UUID; the UUID (which has no "-")
    // is what follows the last "-". Text without one is taken whole.
    static std::string deviceUuidOf(std::string_view deviceInfo);

  private:
    struct Device {
        std::deque<std::string> tickets;  // newest at the back
        std::uint64_t lastIssued = 0;
    };

    mutable std::mutex mutex_;
    std::map<std::string, Device, std::less<>> devices_;
    std::uint64_t issueCount_ = 0;
};

}  // namespace pd::peer
