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

}  // namespace pd
