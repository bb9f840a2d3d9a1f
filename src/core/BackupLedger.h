#pragma once
// The backup ledger: which photos each computer has confirmed it stored, kept in the object
// store so that it outlives the link and the process. A photo counts as known to a computer
// when a record has its URL and its current size (an edited photo is new again).
//
// Main queue only, like the object store.

#include "model/PhotoBakList.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pd {

class ObjectStore;

class BackupLedger {
  public:
    explicit BackupLedger(ObjectStore& store) : store_(store) {}

    // One record per computer and URL: a photo confirmed again replaces its record. Saved by
    // the next save() (a batch saves once at its end: a save per photo costs a disk flush).
    void record(const std::string& deviceTag, const std::string& assetUrl, std::uint64_t size,
                std::chrono::system_clock::time_point when);
    // False if the save failed (the records stay in memory for the next save).
    bool save();
    bool contains(const std::string& deviceTag, const std::string& assetUrl,
                  std::uint64_t size) const;
    std::vector<std::shared_ptr<PhotoBakList>> records(const std::string& deviceTag) const;

  private:
    ObjectStore& store_;
};

}  // namespace pd
