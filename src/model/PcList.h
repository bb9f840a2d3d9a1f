#pragma once
// A remembered computer: one object-store record per computer the phone has paired with,
// found by the computer's device tag.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class ObjectStore;

struct PcList {
    // The record's identity in the store, given on insert; the store owns it.
    std::int64_t rowId = 0;
    std::string deviceTag;   // the computer's DeviceNameTag; the lookup key
    bool bcheck = false;     // remembered together with its check code
    std::string checkCode;   // the code last used successfully; may be empty
    double connectDate = 0;  // last successful pairing, seconds since 1970
    // Where the computer was last paired, so that it can be woken while it is asleep: its
    // IPv4 address, its name as shown, and its hardware address ("aa:bb:cc:dd:ee:ff", empty
    // while unknown).
    std::string ipAddress;
    std::string pcName;
    std::string hwAddress;

    bool operator==(const PcList&) const = default;
};

// All records, in store order.
std::vector<std::shared_ptr<PcList>> allPcList(ObjectStore& store);
// The first record with exactly this device tag, or null.
std::shared_ptr<PcList> pcListByDeviceTag(ObjectStore& store, const std::string& tag);
// Adds a record paired at `now` and saves; false if the save failed (the record stays in the
// store's context and a later save retries).
[[nodiscard]] bool addPcList(ObjectStore& store, const std::string& tag, bool bcheck,
                             const std::string& checkCode,
                             std::chrono::system_clock::time_point now);
// Sets the flag, the code and the pairing time of `record` and saves; false if the save failed.
[[nodiscard]] bool updatePcList(ObjectStore& store, PcList& record, bool bcheck,
                                const std::string& checkCode,
                                std::chrono::system_clock::time_point now);

// Sets where `record` was reached (and its hardware address, when one was learnt: an unknown
// one keeps the address remembered before) and saves only if something changed; false if the
// save failed.
[[nodiscard]] bool rememberPcAddress(ObjectStore& store, PcList& record, const std::string& ip,
                                     const std::string& name, const std::string& hwAddress);

}  // namespace pd
